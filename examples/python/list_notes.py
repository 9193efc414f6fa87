#!/usr/bin/env python3
"""Lists the notes of a Norvane database through the library's C interface,
one line each: the title, a tab and the state, as examples/list_notes does.

    list_notes.py <path to libnorvane_c.so> [database path]

Without a database path it lists the database that seed_notes uses."""
import ctypes
import os
import sys
from ctypes import POINTER, Structure, byref, c_char, c_char_p, c_int32, c_int64, c_size_t, c_void_p

BYTES = POINTER(c_char)  # a buffer that the library frees, not a Python string


class Note(Structure):
    _fields_ = [("id", BYTES), ("id_len", c_size_t), ("title", BYTES), ("title_len", c_size_t),
                ("body", BYTES), ("body_len", c_size_t), ("color", BYTES), ("color_len", c_size_t),
                ("state", c_int32), ("is_locked", c_int32), ("sort_order", c_int64),
                ("created_at", BYTES), ("created_at_len", c_size_t),
                ("updated_at", BYTES), ("updated_at_len", c_size_t),
                ("archived_at", BYTES), ("archived_at_len", c_size_t)]


ERR = POINTER(c_void_p)  # norvane_error**
SIGNATURES = {
    "norvane_error_message": (BYTES, [c_void_p, POINTER(c_size_t)]),
    "norvane_error_free": (None, [c_void_p]),
    "norvane_free": (None, [c_void_p]),
    "norvane_database_path": (c_int32, [POINTER(BYTES), POINTER(c_size_t), ERR]),
    "norvane_db_open": (c_int32, [c_char_p, c_size_t, POINTER(c_void_p), ERR]),
    "norvane_db_free": (None, [c_void_p]),
    "norvane_list_notes": (c_int32, [c_void_p, c_char_p, c_size_t, c_void_p, c_size_t,
                                     POINTER(c_void_p), ERR]),
    "norvane_note_list_count": (c_size_t, [c_void_p]),
    "norvane_note_list_at": (POINTER(Note), [c_void_p, c_size_t]),
    "norvane_note_list_free": (None, [c_void_p]),
}
STATES = {0: b"active", 1: b"archived"}


class NorvaneError(Exception):
    pass


def load(path):
    lib = ctypes.CDLL(path)
    for name, (restype, argtypes) in SIGNATURES.items():
        function = getattr(lib, name)
        function.restype, function.argtypes = restype, argtypes
    return lib


def call(lib, function, *args):
    """Calls a function that can fail; raises its error's message as bytes."""
    err = c_void_p()
    if function(*args, byref(err)) != 0:
        length = c_size_t()
        message = ctypes.string_at(lib.norvane_error_message(err, byref(length)), length.value)
        lib.norvane_error_free(err)
        raise NorvaneError(message)


def list_notes(lib, path):
    """Prints the notes of the database at `path` (bytes; None: the default)."""
    if path is None:
        buffer, length = BYTES(), c_size_t()
        call(lib, lib.norvane_database_path, byref(buffer), byref(length))
        path = ctypes.string_at(buffer, length.value)
        lib.norvane_free(buffer)
    db, notes = c_void_p(), c_void_p()
    try:
        call(lib, lib.norvane_db_open, path, len(path), byref(db))
        # Every note, active ones first; locked notes come back with an empty body.
        call(lib, lib.norvane_list_notes, db, None, 0, None, 0, byref(notes))
        out = sys.stdout.buffer
        for index in range(lib.norvane_note_list_count(notes)):
            note = lib.norvane_note_list_at(notes, index).contents
            out.write(ctypes.string_at(note.title, note.title_len) + b"\t" + STATES[note.state] + b"\n")
        out.flush()
    finally:
        lib.norvane_note_list_free(notes)
        lib.norvane_db_free(db)


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit(__doc__)
    try:
        list_notes(load(argv[1]), os.fsencode(argv[2]) if len(argv) == 3 else None)
    except NorvaneError as error:
        sys.stderr.buffer.write(b"list_notes.py: " + error.args[0] + b"\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
