#include "res/StringTable.h"

#include "res/resource.h"

const StringTable& StringTable::Application() {
    static const StringTable table = [] {
        StringTable strings;
        strings.Set(IDS_ABOUT_MENU, QStringLiteral("關於 Zorvane(&A)..."));
        return strings;
    }();
    return table;
}

QString StringTable::Load(int id) const {
    const auto found = strings_.find(id);
    return found != strings_.end() ? found->second : QString();
}

void StringTable::Set(int id, const QString& text) {
    strings_[id] = text;
}
