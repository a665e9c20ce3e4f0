#include "app/DemoSummary.h"

namespace fenlark {

bool PlayerList::append(const std::string& name, const std::string& detailsEntry) {
    if (items.size() >= MaxItems)
        return false;
    items.push_back(name);
    tag += detailsEntry;
    tag += ";;";
    return true;
}

void OtherInfoList::resetColumns() {
    columns = {{"Cvar", 2000}, {"Value", 2300}};
}

} // namespace fenlark
