#pragma once

#include <QString>

// UserDefault.ini beside the program, section [UserDefault]. Key names match without regard
// to case and with blanks around them ignored; lines the program does not own are kept.
class IniFile {
public:
    explicit IniFile(QString path);
    QString read(const QString &key) const;
    // Throws AppError when the file cannot be written, or exists but cannot be read (it is
    // then never rewritten); the old file stays whole.
    void write(const QString &key, const QString &value) const;

    // True when the file exists but cannot be read.
    bool unreadable() const;

    // UserDefault.ini beside the program, or in the user's configuration folder when the
    // program's folder cannot be written; resolved on every call.
    static QString defaultPath();
    static const QString &section();

private:
    QString path_;
};

QString ReadIni(const QString &key);
void WriteIni(const QString &key, const QString &value);
