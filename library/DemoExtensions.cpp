#include "library/DemoExtensions.h"

#include "core/FileList.h"
#include "core/TextCase.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"

#include <string_view>

namespace fenlark::library {

std::set<std::string> DemoExtensionsOf(const std::string& definitionsFolder) {
    std::string folder = definitionsFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    FileList list;
    list.setFolder(folder, definition::FileExtension);
    std::set<std::string> extensions;
    const std::string_view separator = definition::ExtensionSeparator;
    for (const std::string& file : list.files()) {
        const std::string value = LowerCase(ReadDefinitionValue(
            folder + file, definition::GameSection, definition::DemoExtensions, ""));
        // Every entry ends with the separator.
        std::size_t start = 0;
        for (std::size_t end = value.find(separator); end != std::string::npos;
             end = value.find(separator, start)) {
            if (end > start) {
                extensions.insert(value.substr(start, end - start));
            }
            start = end + separator.size();
        }
    }
    return extensions;
}

} // namespace fenlark::library
