# std::type_info::operator== at -O0 with the static C++ runtime.
#
# GCC predefines __GXX_TYPEINFO_EQUALITY_INLINE=0 for MinGW-w64: PE has no
# weak symbols, so type_info equality is a function of the C++ runtime,
# which libstdc++.a(tinfo.o) defines as an ordinary symbol. From C++23 on,
# when operator== became constexpr, libstdc++ 12's <typeinfo> defines it as
# well, as an inline function that compares the name pointers and then calls
# the runtime's type_info::__equal. Optimised code inlines it everywhere and
# keeps no copy. At -O0 nothing is inlined, so every object that compares
# type_infos (GoogleTest, std::function, std::any, shared_ptr) gets an
# out-of-line copy in a COMDAT section; the static link pulls in tinfo.o as
# well (it holds type_info's vtable), and ld refuses the COMDAT copy next to
# the ordinary definition: "multiple definition of
# `std::type_info::operator==(std::type_info const&) const'". A Debug or
# coverage build of the programs does not link; five lines that compare two
# typeids fail the same way. This is GCC bug 110572.
#
# typeinfo_equality.h, included before every C++ source, marks that inline
# definition always_inline, as the optimiser already treats it, so -O0
# inlines it too and no object defines the symbol. It changes nothing else
# and only comes in where a -O0 C++23 program comparing typeids does not
# link otherwise.

include(CheckCXXSourceCompiles)

set(_source [[
#include <typeinfo>
int main(int argc, char**) {
  const std::type_info& type = argc > 1 ? typeid(int) : typeid(long);
  return type == typeid(long) ? 0 : 1;
}
]])
set(CMAKE_REQUIRED_FLAGS -O0)
set(CMAKE_REQUIRED_QUIET ON)
check_cxx_source_compiles("${_source}" NORVANE_TYPEINFO_EQUALITY_LINKS)
if(NOT NORVANE_TYPEINFO_EQUALITY_LINKS)
  set(_header ${CMAKE_CURRENT_LIST_DIR}/typeinfo_equality.h)
  string(APPEND CMAKE_REQUIRED_FLAGS " -include ${_header}")
  check_cxx_source_compiles("${_source}" NORVANE_TYPEINFO_EQUALITY_LINKS_INLINED)
  if(NORVANE_TYPEINFO_EQUALITY_LINKS_INLINED)
    message(STATUS "std::type_info::operator== is made always_inline: ${_header}")
    add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${_header}>")
  else()
    message(WARNING "A C++23 program that compares typeids does not link at -O0 with this "
                    "toolchain, even with ${_header}: Debug builds will not link")
  endif()
endif()
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_QUIET)
