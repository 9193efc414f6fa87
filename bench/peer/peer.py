#!/usr/bin/python3
"""The seeding and list workloads of norvane_bench, written as a user would
write them in Python: the standard sqlite3 module and the AESGCM class of the
`cryptography` package.

Run it with Debian's interpreter (/usr/bin/python3, package
python3-cryptography); other interpreters may lack the package.

Per-user data protection stand-in: Python has no binding to our platform's
data protection service, so the peer protects bodies the way that service
does, with AES-256-GCM under a key of its own (32 random bytes with a 16-byte
identifier, made once per run and kept in memory). A blob is "NVDP", a version
byte and the key identifier (the associated data), a fresh 12-byte nonce, then
the ciphertext and the 16-byte tag, the same layout and the same amount of
work per body as the C++ service. The peer's databases and keys are its own.

Output: one line per measurement, "<name> <N> <median ns per note>", the
median taken over the repetitions.

    /usr/bin/python3 bench/peer/peer.py --list 50 10000 100000 --seed --repetitions 5
"""

import argparse
import datetime
import os
import sqlite3
import statistics
import tempfile
import time
import uuid

from cryptography.hazmat.primitives.ciphers.aead import AESGCM

SCHEMA = """PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
CREATE TABLE IF NOT EXISTS notes (
    id          TEXT PRIMARY KEY,
    title       TEXT NOT NULL DEFAULT '',
    body_enc    BLOB,
    color       TEXT NOT NULL DEFAULT 'yellow',
    state       TEXT NOT NULL DEFAULT 'active',
    sort_order  INTEGER NOT NULL DEFAULT 0,
    created_at  TEXT NOT NULL,
    updated_at  TEXT NOT NULL,
    archived_at TEXT,
    is_locked   INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS idx_notes_state ON notes(state);
CREATE INDEX IF NOT EXISTS idx_notes_sort ON notes(sort_order);"""

INSERT = ("INSERT INTO notes (id, title, body_enc, color, state, sort_order, created_at, "
          "updated_at, archived_at)\n"
          "             VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)")

LIST_ALL = ("SELECT id, title, body_enc, color, state, sort_order, created_at, updated_at, "
            "archived_at, is_locked\n"
            "             FROM notes ORDER BY CASE state WHEN 'active' THEN 0 ELSE 1 END, "
            "sort_order ASC, updated_at DESC")

COLORS = ["yellow", "pink", "blue", "green", "orange", "purple"]
# (days ago, body length in bytes) of the 50 demo notes: 40 active, 10 archived.
CATALOGUE = [
    (1, 269), (2, 307), (3, 293), (4, 310), (5, 320), (6, 255), (1, 208), (2, 308), (7, 325),
    (8, 266), (9, 260), (10, 360), (11, 232), (12, 302), (13, 296), (14, 246), (2, 236),
    (15, 221), (16, 255), (17, 259), (18, 173), (19, 299), (20, 271), (21, 237), (22, 319),
    (23, 274), (3, 258), (24, 275), (25, 267), (26, 252), (27, 416), (28, 312), (29, 293),
    (1, 318), (30, 440), (0, 252), (31, 306), (32, 272), (33, 280), (34, 280),
    (45, 280), (60, 142), (50, 258), (55, 223), (65, 217), (70, 246), (75, 240), (80, 218),
    (85, 267), (90, 258),
]


def demo_rows():
    rows = []
    for i, (days, length) in enumerate(CATALOGUE):
        archived = i >= 40
        text = ("Note %d: checklist, ideas and a few words • " % (i + 1)) * 20
        body = text.encode("utf-8")[:length]
        while True:  # cut on a character boundary
            try:
                body.decode("utf-8")
                break
            except UnicodeDecodeError:
                body = body[:-1]
        body = body.ljust(length, b".")
        title = ("[Archived] " if archived else "") + "Demo note %d ✨" % (i + 1)
        color = COLORS[(i - 40 if archived else i) % len(COLORS)]
        rows.append((title, body, color, days, "archived" if archived else "active"))
    return rows


class Protector:
    """AES-256-GCM under the peer's own user key; the blob layout of the
    C++ stand-in."""

    def __init__(self):
        self.key_id = os.urandom(16)
        self.aead = AESGCM(AESGCM.generate_key(bit_length=256))
        self.header = b"NVDP\x01" + self.key_id

    def protect(self, body: bytes) -> bytes:
        nonce = os.urandom(12)
        return self.header + nonce + self.aead.encrypt(nonce, body, self.header)

    def unprotect(self, blob: bytes) -> bytes:
        header = blob[:21]
        return self.aead.decrypt(blob[21:33], blob[33:], header)


def rfc3339(instant: datetime.datetime) -> str:
    # isoformat writes the offset of a UTC datetime as +00:00.
    return instant.isoformat()


def open_db(path):
    conn = sqlite3.connect(path, isolation_level=None)
    conn.executescript(SCHEMA)
    return conn


def seed(conn, protector, rows):
    """The 50 demo notes in one deferred transaction."""
    now = datetime.datetime.now(datetime.timezone.utc)
    cur = conn.cursor()
    cur.execute("BEGIN DEFERRED")
    next_sort = {"active": 0, "archived": 0}
    for title, body, color, days, state in rows:
        note_id = str(uuid.uuid4())
        body_enc = protector.protect(body)
        created_at = rfc3339(now - datetime.timedelta(days=days))
        updated_at = rfc3339(now - datetime.timedelta(hours=4 * days))
        archived_at = rfc3339(now - datetime.timedelta(days=days // 2)) if state == "archived" else None
        sort_order = next_sort[state]
        next_sort[state] += 1
        cur.execute(INSERT, (note_id, title, body_enc, color, state, sort_order, created_at,
                             updated_at, archived_at))
    cur.execute("COMMIT")


class Note:
    __slots__ = ("id", "title", "body", "color", "state", "sort_order", "created_at",
                 "updated_at", "archived_at", "is_locked")


def list_notes(conn, protector):
    notes = []
    for row in conn.execute(LIST_ALL):
        note = Note()
        note.id, note.title, body_enc, note.color, state = row[0], row[1], row[2], row[3], row[4]
        note.state = state.lower()
        if note.state not in ("active", "archived"):
            raise ValueError("Unknown note state: '%s'" % note.state)
        note.sort_order, note.created_at, note.updated_at, note.archived_at = row[5:9]
        note.is_locked = row[9] != 0
        note.body = "" if body_enc is None or note.is_locked else \
            protector.unprotect(body_enc).decode("utf-8")
        notes.append(note)
    return notes


def build(path, protector, rows, count):
    conn = open_db(path)
    conn.execute("BEGIN")
    now = datetime.datetime.now(datetime.timezone.utc)
    next_sort = {"active": 0, "archived": 0}
    for i in range(count):
        title, body, color, days, state = rows[i % len(rows)]
        archived_at = rfc3339(now - datetime.timedelta(days=days // 2)) if state == "archived" else None
        conn.execute(INSERT, (str(uuid.uuid4()), title, protector.protect(body), color, state,
                              next_sort[state], rfc3339(now - datetime.timedelta(days=days)),
                              rfc3339(now - datetime.timedelta(hours=4 * days)), archived_at))
        next_sort[state] += 1
    conn.execute("COMMIT")
    return conn


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", type=int, nargs="*", default=[])
    parser.add_argument("--seed", action="store_true")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--seed-iterations", type=int, default=200,
                        help="seeding runs per repetition (each into a fresh database)")
    args = parser.parse_args()

    protector = Protector()
    rows = demo_rows()
    with tempfile.TemporaryDirectory(prefix="norvane-peer-") as tmp:
        if args.seed:
            medians = []
            for rep in range(args.repetitions):
                times = []
                for k in range(args.seed_iterations):
                    path = os.path.join(tmp, "seed-%d-%d.db" % (rep, k))
                    conn = open_db(path)  # set-up, not timed
                    start = time.perf_counter_ns()
                    seed(conn, protector, rows)
                    times.append(time.perf_counter_ns() - start)
                    conn.close()
                    for suffix in ("", "-wal", "-shm"):
                        if os.path.exists(path + suffix):
                            os.remove(path + suffix)
                medians.append(statistics.median(times) / len(rows))
            print("peer_seed 50 %.1f" % statistics.median(medians), flush=True)
        for count in args.list:
            path = os.path.join(tmp, "list-%d.db" % count)
            conn = build(path, protector, rows, count)
            list_notes(conn, protector)  # warm-up
            per_note = []
            for _ in range(args.repetitions):
                start = time.perf_counter_ns()
                notes = list_notes(conn, protector)
                per_note.append((time.perf_counter_ns() - start) / len(notes))
                del notes
            print("peer_list %d %.1f" % (count, statistics.median(per_note)), flush=True)
            conn.close()


if __name__ == "__main__":
    main()
