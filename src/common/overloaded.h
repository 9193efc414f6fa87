// A visitor made of several lambdas, one per alternative of a variant:
// std::visit(Overloaded{[](const A&) {...}, [](const B&) {...}}, v).
#pragma once

namespace norvane {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

}  // namespace norvane
