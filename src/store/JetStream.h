#pragma once

#include "store/JetRecord.h"

#include <QByteArray>
#include <QString>

// What the reading program sends to the program that started it: a header with the
// file's version and the table's row count, the records, and an end mark with the number
// sent; or a failure. Anything else (a crash halfway, garbage) never parses as complete.
class JetStream {
public:
    enum Failure : quint16 {
        NotJet = 1,      // the library would not open it
        NoTable = 2,     // no tblAttachment
        OtherShape = 3,  // tblAttachment with other columns or types
        Damaged = 4,     // a row or value that does not fit its page
        BadCodePage = 5, // the code page named for Jet 3 texts is unknown
        Unreadable = 6   // the file cannot be opened for reading
    };

    // The first bytes, sent before the file is touched.
    static QByteArray opening();
    static QByteArray header(int jetVersion, quint32 rowCount);
    static QByteArray record(const JetRecord &r);
    static QByteArray end(quint64 sent);
    static QByteArray failure(Failure code, const QString &detail);

    enum class Event { None, Header, Record, End, Failure, Garbage };
    // Takes the next bytes of the stream.
    void feed(const QByteArray &bytes) { buffer_.append(bytes); }
    // The next complete event; None when more bytes are needed. After Garbage, End or
    // Failure nothing more is read.
    Event next();

    int jetVersion() const { return jetVersion_; }
    quint32 rowCount() const { return rowCount_; }
    const JetRecord &lastRecord() const { return record_; }
    JetRecord takeRecord() { return std::move(record_); }
    quint64 endCount() const { return endCount_; }
    Failure failureCode() const { return failure_; }
    const QString &failureDetail() const { return detail_; }

private:
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool started_ = false;
    bool finished_ = false;
    int jetVersion_ = -1;
    quint32 rowCount_ = 0;
    JetRecord record_;
    quint64 endCount_ = 0;
    Failure failure_ = NotJet;
    QString detail_;
};
