#pragma once

#include <QVariant>
#include <array>

// One row of tblAttachment as the older program kept it: Currentinfo, Date, FileName,
// FolderName, SaveFileName, tblFileKind. Texts are QString (a null QVariant is Null, an
// empty QString is empty), the date is its "yyyy-MM-dd HH:mm:ss" text, the kind a number.
struct JetRecord {
    static constexpr int kFields = 6;
    std::array<QVariant, kFields> fields;

    bool operator==(const JetRecord &o) const;
    // Null, empty and a value are three things; numbers compare as numbers, texts as texts.
    static bool sameValue(const QVariant &a, const QVariant &b);
    bool operator!=(const JetRecord &o) const { return !(*this == o); }
    // The names of the fields, in the order above.
    static const std::array<const char *, kFields> &names();
    // One text that sorts and compares as the whole record does.
    QString key() const;
};
