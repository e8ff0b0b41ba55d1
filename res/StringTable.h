#pragma once

#include <QString>
#include <map>

// The program's string resources by id. A missing id loads as empty text.
class StringTable {
public:
    StringTable() = default;

    // The strings compiled into the program.
    static const StringTable& Application();

    QString Load(int id) const;
    void Set(int id, const QString& text);

private:
    std::map<int, QString> strings_;
};
