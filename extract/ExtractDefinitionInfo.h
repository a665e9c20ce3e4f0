#pragma once
// Fills the window's demo information of a definition-driven demo (information
// type 1) from the section "Fenlark - <extension>" of the current definition.

namespace fenlark {

class Session;

void ExtractDefinitionInfo(Session& session);

} // namespace fenlark
