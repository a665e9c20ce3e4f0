#include "library/DemoExtensions.h"

#include "gamedef/DefinitionList.h"
#include "gamedef/DefinitionReader.h"
#include "gamedef/IdentifyDemo.h"
#include "gamedef/TextCase.h"

namespace fenlark::library {

std::set<std::string> DemoExtensionsOf(const std::string& definitionsFolder) {
    std::string folder = definitionsFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    DefinitionList list;
    list.setFolder(folder);
    std::set<std::string> extensions;
    for (const std::string& file : list.files()) {
        const std::string value =
            LowerCase(ReadDefinitionValue(folder + file, GameSection, "Demo Extensions", ""));
        // Entries end with ";;".
        std::size_t start = 0;
        for (std::size_t end = value.find(";;"); end != std::string::npos;
             end = value.find(";;", start)) {
            if (end > start) {
                extensions.insert(value.substr(start, end - start));
            }
            start = end + 2;
        }
    }
    return extensions;
}

} // namespace fenlark::library
