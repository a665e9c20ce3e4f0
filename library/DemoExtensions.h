#pragma once
// The demo file extensions the game definitions name, so that the library
// reads only files the loading flow could match.

#include <set>
#include <string>

namespace fenlark::library {

// Lower-case extensions (without dot) of every definition in `folder`.
std::set<std::string> DemoExtensionsOf(const std::string& definitionsFolder);

} // namespace fenlark::library
