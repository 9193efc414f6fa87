// Included before every C++ source of a MinGW-w64 build whose C++ runtime
// would otherwise be defined twice at -O0 (see typeinfo-equality.cmake).
//
// libstdc++ defines std::type_info::operator== in <typeinfo> as a constexpr
// inline function from C++23 on, while on this target, where type_info
// equality is out of line, libstdc++.a defines the same function as an
// ordinary symbol. Marked always_inline, the header's definition is inlined
// at every optimisation level, so no object carries a copy of its own; the
// comparison still ends in the runtime's type_info::__equal.
#pragma once

#if defined(__cplusplus) && __cplusplus > 202002L
#include <version>  // libstdc++'s configuration: __GLIBCXX__, _GLIBCXX23_CONSTEXPR

#if defined(__GLIBCXX__) && !__GXX_TYPEINFO_EQUALITY_INLINE
// <typeinfo> spells "constexpr" this way only for operator==.
#pragma push_macro("_GLIBCXX23_CONSTEXPR")
#undef _GLIBCXX23_CONSTEXPR
#define _GLIBCXX23_CONSTEXPR [[__gnu__::__always_inline__]] constexpr
#include <typeinfo>
#pragma pop_macro("_GLIBCXX23_CONSTEXPR")
#endif
#endif
