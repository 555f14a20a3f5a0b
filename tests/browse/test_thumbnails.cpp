#include "Corpus.h"
#include "MediaFiles.h"
#include "TestFolder.h"
#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "browse/ThumbnailCache.h"
#include "browse/ThumbnailLoader.h"
#include "ui/FileIcons.h"

#include <QtTest>
#include <QtWidgets>
#include <sys/stat.h>
#include <unistd.h>

class TestThumbnails : public QObject {
    Q_OBJECT
    QTemporaryDir cache_;
private slots:
    void initTestCase() { qputenv("XDG_CACHE_HOME", QFile::encodeName(cache_.path())); }
    void cacheFile_data();
    void cacheFile();
    void linksInTheCache();
    void listShowsThumbnails();
    void videoAndSvgThumbnails();
};

namespace {
int mode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

quint32 bigEndian(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 | quint32(quint8(b[at + 2])) << 8 |
           quint8(b[at + 3]);
}

// The chunks of a PNG file as its bytes hold them: type, then for tEXt "key=value".
QStringList chunks(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {"unreadable"};
    const QByteArray b = f.readAll();
    QStringList out;
    for (qsizetype at = 8; at + 12 <= b.size();) {
        const qsizetype length = bigEndian(b, at);
        const QByteArray type = b.mid(at + 4, 4), data = b.mid(at + 8, length);
        out << QString::fromLatin1(type == "tEXt" ? type + ' ' + QByteArray(data).replace('\0', '=') : type);
        at += 12 + length;
    }
    return out;
}

QString cacheFileOf(const QString &cache, const QString &path)
{
    const QByteArray uri = "file://" + QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return cache + "/thumbnails/normal/" + QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

} // namespace

void TestThumbnails::cacheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("flavor");
    QTest::addColumn<QSize>("thumb");
    QTest::newRow("normal") << "海 边#1.png" << QSize(300, 150) << int(ThumbnailCache::Normal) << QSize(128, 64);
    QTest::newRow("never enlarged") << "small.png" << QSize(50, 40) << int(ThumbnailCache::Normal) << QSize(50, 40);
    QTest::newRow("large") << "tall.jpg" << QSize(300, 600) << int(ThumbnailCache::Large) << QSize(128, 256);
    // Whole, it is beyond Qt's allocation limit: only a decode at thumbnail size succeeds.
    QTest::newRow("80 megapixels") << "huge.jpg" << QSize(10000, 8000) << int(ThumbnailCache::Normal) << QSize(128, 102);
}

// Where and how other desktop programs look for a thumbnail, and that it serves until the file changes.
void TestThumbnails::cacheFile()
{
    QFETCH(QString, name);
    QFETCH(QSize, picture);
    QFETCH(int, flavor);
    QFETCH(QSize, thumb);
    TestFolder tf;
    const QString path = tf.picture(name, picture);
    if (name.endsWith(".png")) {
        // The picture carries texts of its own, some another program's thumbnail keys.
        QImage own(path);
        own.setText("Thumb::URI", "file:///elsewhere/other.png");
        own.setText("Thumb::MTime", "1");
        own.setText("Comment", QString(60, 'c'));
        QVERIFY(own.save(path, "PNG"));
    }
    const auto thumbnail = [&] { return ThumbnailCache::thumbnail(path, ThumbnailCache::Flavor(flavor)).size(); };
    QCOMPARE(thumbnail(), thumb);
    const QByteArray uri = "file://" + QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    const QString folder = cache_.path() + (flavor == ThumbnailCache::Large ? "/thumbnails/large" : "/thumbnails/normal");
    const QString file = folder + '/' + QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
    const QImage png(file, "PNG");
    QCOMPARE(png.size(), thumb);
    QCOMPARE(png.text("Thumb::URI").toLatin1(), uri);
    const QDateTime made = QFileInfo(path).lastModified();
    QCOMPARE(png.text("Thumb::MTime"), QString::number(made.toSecsSinceEpoch()));
    QCOMPARE(QList<int>({mode(file), mode(folder), mode(cache_.path() + "/thumbnails")}), QList<int>({0600, 0700, 0700}));
    // Read from the bytes: the keys in plain tEXt chunks, as the GLib thumbnail checker reads them.
    const QStringList found = chunks(file);
    QCOMPARE(found.filter("tEXt Thumb::"),
             QStringList(
                 {"tEXt Thumb::URI=" + uri, "tEXt Thumb::MTime=" + QString::number(made.toSecsSinceEpoch()),
                  "tEXt Thumb::Size=" + QString::number(QFileInfo(path).size()),
                  "tEXt Thumb::Mimetype=" + QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name()}));
    QCOMPARE(found.filter("zTXt") + found.filter("iTXt"), QStringList());
    QCOMPARE(found.constFirst() + found.constLast(), QStringLiteral("IHDRIEND"));

    // Other contents at the same time: answered from the cache, the file is not decoded. A newer file is.
    const auto touch = [&](const QDateTime &when) {
        QFile f(path);
        f.open(QIODevice::Append);
        f.setFileTime(when, QFileDevice::FileModificationTime);
    };
    const auto inode = [&] {
        struct stat st {};
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : 0;
    };
    const auto written = inode();
    tf.write(name, "no picture any more");
    touch(made);
    QCOMPARE(thumbnail(), thumb);
    QCOMPARE(inode(), written); // not written again
    tf.picture(name, QSize(20, 10));
    touch(made.addSecs(10));
    QCOMPARE(thumbnail(), QSize(20, 10));
}

// A link planted in the cache is replaced, never written through, whether it leads to a file
// or nowhere; a cache folder that leads to another user's folder is not written at all.
void TestThumbnails::linksInTheCache()
{
    TestFolder tf;
    const QString notes = tf.write("notes.txt", "my notes");
    const QString cached = cacheFileOf(cache_.path(), tf.picture("a.png", QSize(40, 30)));
    const QString dangling = cacheFileOf(cache_.path(), tf.picture("b.png", QSize(40, 30)));
    QDir().mkpath(QFileInfo(cached).path());
    QVERIFY(QFile::link(notes, cached) && QFile::link(tf.file("outside.png"), dangling));
    for (const char *name : {"a.png", "b.png"})
        QCOMPARE(ThumbnailCache::thumbnail(tf.file(name), ThumbnailCache::Normal).size(), QSize(40, 30));
    QCOMPARE(Corpus::read(notes), QByteArray("my notes"));
    QVERIFY(!QFileInfo::exists(tf.file("outside.png")));
    for (const QString &file : {cached, dangling}) {
        QVERIFY(!QFileInfo(file).isSymLink());
        QCOMPARE(QImage(file, "PNG").size(), QSize(40, 30));
        QCOMPARE(mode(file), 0600);
    }
    QCOMPARE(QDir(QFileInfo(cached).path()).entryList(QDir::Files | QDir::Hidden).filter(".mc-"),
             QStringList()); // no temporary left

    // The folder a link to a folder of another user.
    QTemporaryDir cache;
    const QString others = tf.file("others");
    QDir().mkpath(others);
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(others).constData(), 65534, 65534) == 0);
    const QString theirs = ::geteuid() == 0 ? others : QStringLiteral("/tmp");
    QDir().mkpath(cache.path() + "/thumbnails");
    QVERIFY(QFile::link(theirs, cache.path() + "/thumbnails/normal"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString c = tf.picture("c.png", QSize(40, 30));
    QCOMPARE(ThumbnailCache::thumbnail(c, ThumbnailCache::Normal).size(), QSize(40, 30));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache_.path()));
    QVERIFY(!QFileInfo::exists(theirs + '/' + QFileInfo(cacheFileOf(cache.path(), c)).fileName()));
    QCOMPARE(QDir(others).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestThumbnails::listShowsThumbnails()
{
    TestFolder tf;
    QWidget owner;
    RecordList list(&owner, {});
    list.lvw->setGeometry(0, 20, 600, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    RecordListModel *m = list.model();
    ThumbnailLoader *loader = list.views->thumbnails();
    auto icon = [m](int row) { return m->data(m->index(row, 0), Qt::DecorationRole).value<QIcon>(); };
    auto fill = [&](const QStringList &names) {
        m->clear();
        for (const QString &name : names)
            list.AddRecordRow(tf.file(name), name, {}, {}, {});
        QCoreApplication::processEvents(); // lays the view out
        (list.views->thumbnailsShown() ? list.views->lvwThumbnails->viewport() : list.lvw->viewport())->repaint();
    };
    for (const auto &[name, colour] : {std::pair("red.png", Qt::red), {"blue.png", Qt::blue}, {"green.png", Qt::green}})
        tf.picture(QLatin1String(name), QSize(400, 300), colour);
    tf.write("notes.txt", "text");
    fill({"red.png", "blue.png", "notes.txt", "missing.png"}); // requested, none delivered yet
    // Refilled before they arrive: each thumbnail still lands on the row of its own file.
    fill({"green.png", "red.png", "notes.txt", "missing.png"});
    QTRY_VERIFY(loader->idle());
    QCOMPARE(icon(0).pixmap(128).toImage().pixel(64, 48), qRgb(0, 255, 0));
    QCOMPARE(icon(1).pixmap(128).toImage().pixel(64, 48), qRgb(255, 0, 0));
    QCOMPARE(icon(0).pixmap(list.lvw->iconSize()).size(), QSize(16, 12));
    QCOMPARE(icon(2).cacheKey(), FileIcons::forFileName("notes.txt").cacheKey());
    QCOMPARE(icon(3).cacheKey(), FileIcons::forFileName("missing.png").cacheKey());
    // Only the rows painted are asked for, in either view.
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QStringLiteral("%1.png").arg(i);
    for (bool grid : {false, true}) {
        list.views->showThumbnails(grid);
        const qint64 before = loader->requests();
        fill(many);
        QTRY_VERIFY(loader->idle());
        QVERIFY2(loader->requests() - before < 40, qPrintable(QString::number(loader->requests() - before)));
    }
}

// Videos (a frame from their first seconds) and SVG pictures get thumbnails too, made on the
// loader's threads and kept in the same cache as those of pictures.
void TestThumbnails::videoAndSvgThumbnails()
{
    TestFolder tf;
    for (const char *name : {"1.mp4", "2.avi", "3.webm"}) {
        const QString error = makeMedia(tf.file(QLatin1String(name)));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    tf.write("4.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'>"
                      "<rect width='200' height='100' fill='#ff0000'/></svg>");
    tf.write("5.mp4", "no video at all");
    ThumbnailLoader loader(QSize(16, 16), ThumbnailCache::Large);
    QSet<QString> arrived;
    connect(&loader, &ThumbnailLoader::ready, this, [&](const QString &path) {
        QVERIFY(QThread::currentThread() == thread());
        arrived << QFileInfo(path).fileName();
    });
    const QStringList names = {"1.mp4", "2.avi", "3.webm", "4.svg", "5.mp4"};
    for (const QString &name : names)
        QVERIFY(loader.icon(tf.file(name), name).isNull()); // asked for, not waited for
    QTRY_VERIFY_WITH_TIMEOUT(loader.idle(), 30000);
    QCOMPARE(arrived, QSet<QString>({"1.mp4", "2.avi", "3.webm", "4.svg"}));
    for (const QString &name : names.mid(0, 4)) {
        // What another program finds in the cache: a PNG of the right size naming the file.
        const QImage png(ThumbnailCache::fileFor(tf.file(name), ThumbnailCache::Large), "PNG");
        QCOMPARE(png.size(), name.endsWith("svg") ? QSize(200, 100) : QSize(256, 192));
        QCOMPARE(png.text("Thumb::URI").toLatin1(), ThumbnailCache::uri(tf.file(name)));
        QCOMPARE(loader.icon(tf.file(name), name).pixmap(16).size(), name.endsWith("svg") ? QSize(16, 8) : QSize(16, 12));
    }
    QCOMPARE(QImage(ThumbnailCache::fileFor(tf.file("4.svg"), ThumbnailCache::Large)).pixel(10, 10), qRgb(255, 0, 0));
    QVERIFY(!QFileInfo::exists(ThumbnailCache::fileFor(tf.file("5.mp4"), ThumbnailCache::Large)));
}

QTEST_MAIN(TestThumbnails)
#include "test_thumbnails.moc"
