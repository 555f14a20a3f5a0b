#include "TestFolder.h"
#include "app/AppStart.h"
#include "ui/QtDialogs.h"

#include <QtTest>
#include <QtWidgets>

// The save dialog of "另存为" as the user meets it: Chinese throughout, in the folder last used.
class TestFileDialogs : public QObject {
    Q_OBJECT
private slots:
    void chineseAndWhereTheUserWas();
};

namespace {
// Every text the dialog shows that holds a Latin word: labels, buttons, choices, headers and
// the cells of its file list (file names left out).
QStringList latinTexts(QFileDialog *dialog)
{
    // Units of size stay as Chinese file managers show them.
    static const QRegularExpression word(QStringLiteral("(?!KB|kB|MB|GB)[A-Za-z]{2,}"));
    QStringList out;
    const auto check = [&](const QString &where, const QString &text) {
        if (word.match(text).hasMatch())
            out << where + ": " + text;
    };
    for (QLabel *label : dialog->findChildren<QLabel *>())
        if (label->isVisibleTo(dialog))
            check("label", label->text());
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
        if (button->isVisibleTo(dialog))
            check("button", button->text() + button->toolTip());
    for (QComboBox *box : dialog->findChildren<QComboBox *>())
        if (box->isVisibleTo(dialog) && !box->isEditable())
            for (int i = 0; i < box->count(); ++i)
                if (!box->itemText(i).startsWith('/')) // the folders above the shown one
                    check("choice", box->itemText(i));
    for (QTreeView *view : dialog->findChildren<QTreeView *>()) {
        QAbstractItemModel *m = view->model();
        for (int c = 0; c < m->columnCount(view->rootIndex()); ++c)
            check("header", m->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < m->rowCount(view->rootIndex()); ++r)
            for (int c = 1; c < m->columnCount(view->rootIndex()); ++c)
                check("cell", m->index(r, c, view->rootIndex()).data().toString());
    }
    return out;
}
} // namespace

void TestFileDialogs::chineseAndWhereTheUserWas()
{
    TestFolder tf;
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QVERIFY(QDir(home.path()).mkpath("照片") && QDir(home.path()).mkpath("Documents"));
    QFile notes(home.filePath("notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write(QByteArray(3000, 'x')) == 3000);
    notes.close();
    QVERIFY(AppStart::installTranslations());
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString elsewhere = tf.file("saved/");
    tf.write("saved/earlier.txt", "saved before");

    QtDialogs real;
    QStringList seen;
    QString shownFolder;
    // Looks at the dialog once its folder is listed, then types a path or cancels.
    const auto answer = [&](const QString &typed) {
        QTimer::singleShot(0, this, [&, typed] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto *files = dialog->findChild<QFileSystemModel *>();
            (void)QTest::qWaitFor([&] { return files && files->rowCount(files->index(dialog->directory().path())) >= 1; });
            QTest::qWait(200); // the type and date columns are filled in after the names
            shownFolder = dialog->directory().path();
            seen = latinTexts(dialog);
            if (typed.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };
    // At first the home folder, with the record's name offered.
    answer(elsewhere + "copy.txt");
    QCOMPARE(real.saveFileName("a.txt"), elsewhere + "copy.txt");
    QCOMPARE(shownFolder, home.path());
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join('\n')));
    // Then where the last file went, also for a dialog that is cancelled.
    answer({});
    QCOMPARE(real.saveFileName("b.txt"), QString());
    QCOMPARE(shownFolder + '/', elsewhere);
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join('\n')));
    // A remembered folder that is gone: home again.
    QVERIFY(QDir(elsewhere).removeRecursively());
    answer({});
    real.saveFileName("c.txt");
    QCOMPARE(shownFolder, home.path());
}

QTEST_MAIN(TestFileDialogs)
#include "test_file_dialogs.moc"
