#include "apptitle.h"

namespace pf {

namespace {
std::string& TitleStorage() {
    static std::string title = kProductName;
    return title;
}
} // namespace

std::string ShortenedTitle(std::string_view productName) {
    std::string title(productName);
    do {
        const auto space = title.rfind(' ');
        if (space == std::string::npos) {
            // A one-word name has no space to cut before: the whole word would go, as the cut drops
            // everything from the last space on and there is none.
            title.clear();
            break;
        }
        title.erase(space);
    } while (title.size() > 40);
    return title;
}

void SetApplicationTitle() {
    TitleStorage() = ShortenedTitle(kProductName);
}

const std::string& ApplicationTitle() {
    return TitleStorage();
}

} // namespace pf
