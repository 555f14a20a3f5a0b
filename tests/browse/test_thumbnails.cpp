#include "TestFolder.h"
#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "browse/ThumbnailCache.h"
#include "browse/ThumbnailLoader.h"
#include "store/FileIcons.h"

#include <QCryptographicHash>
#include <QListView>
#include <QTableView>
#include <QtTest>
#include <sys/stat.h>

class TestThumbnails : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cacheFile_data();
    void cacheFile();
    void cacheServesUntilTheFileChanges();
    void listShowsThumbnails();

private:
    QTemporaryDir cache_;
};

namespace {
int mode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

QRgb centre(const QImage &image)
{
    return image.pixel(image.width() / 2, image.height() / 2);
}

QRgb centre(const QIcon &icon)
{
    return centre(icon.pixmap(128).toImage());
}

void setModified(const QString &path, const QDateTime &when)
{
    QFile f(path);
    f.open(QIODevice::Append);
    f.setFileTime(when, QFileDevice::FileModificationTime);
}
} // namespace

void TestThumbnails::initTestCase()
{
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache_.path()));
}

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

void TestThumbnails::cacheFile()
{
    QFETCH(QString, name);
    QFETCH(QSize, picture);
    QFETCH(int, flavor);
    QFETCH(QSize, thumb);
    TestFolder tf;
    const QString path = tf.picture(name, picture);
    QCOMPARE(ThumbnailCache::thumbnail(path, ThumbnailCache::Flavor(flavor)).size(), thumb);

    // Where and how other desktop programs look for it.
    const QByteArray uri = "file://" + QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    const QString folder = cache_.path() + (flavor == ThumbnailCache::Large ? "/thumbnails/large" : "/thumbnails/normal");
    const QString file =
        folder + '/' + QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + QStringLiteral(".png");
    const QImage png(file, "PNG");
    QCOMPARE(png.size(), thumb);
    QCOMPARE(png.text(QStringLiteral("Thumb::URI")).toLatin1(), uri);
    QCOMPARE(png.text(QStringLiteral("Thumb::MTime")), QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch()));
    QCOMPARE(mode(file), 0600);
    QCOMPARE(mode(folder), 0700);
    QCOMPARE(mode(cache_.path() + "/thumbnails"), 0700);
}

void TestThumbnails::cacheServesUntilTheFileChanges()
{
    TestFolder tf;
    const QString path = tf.picture(QStringLiteral("p.png"), QSize(200, 100), Qt::red);
    const QDateTime made = QFileInfo(path).lastModified();
    QCOMPARE(centre(ThumbnailCache::thumbnail(path, ThumbnailCache::Normal)), qRgb(255, 0, 0));
    // Other contents, the same time: answered from the cache, the file is not decoded.
    tf.write(QStringLiteral("p.png"), "no picture any more");
    setModified(path, made);
    QCOMPARE(centre(ThumbnailCache::thumbnail(path, ThumbnailCache::Normal)), qRgb(255, 0, 0));
    // Another time: made again.
    tf.picture(QStringLiteral("p.png"), QSize(200, 100), Qt::blue);
    setModified(path, made.addSecs(10));
    QCOMPARE(centre(ThumbnailCache::thumbnail(path, ThumbnailCache::Normal)), qRgb(0, 0, 255));
}

void TestThumbnails::listShowsThumbnails()
{
    TestFolder tf;
    QWidget owner;
    RecordList list(&owner, {});
    list.lvw->setGeometry(0, 20, 600, 300);
    owner.resize(600, 320);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    RecordListModel *m = list.model();
    ThumbnailLoader *loader = list.views->thumbnails();
    auto icon = [m](int row) { return m->data(m->index(row, 0), Qt::DecorationRole).value<QIcon>(); };
    auto settle = [&] {
        QAbstractItemView *shown = list.views->thumbnailsShown() ? static_cast<QAbstractItemView *>(list.views->lvwThumbnails) : list.lvw;
        QCoreApplication::processEvents(); // lays the view out
        shown->viewport()->repaint();      // asks for the rows now shown
        QTRY_VERIFY(loader->idle());
    };
    auto add = [&](const QString &name) { return list.AddRecordRow(tf.file(name), name, {}, {}, {}); };
    tf.picture(QStringLiteral("red.png"), QSize(400, 300), Qt::red);
    tf.picture(QStringLiteral("blue.png"), QSize(400, 300), Qt::blue);
    tf.picture(QStringLiteral("green.png"), QSize(400, 300), Qt::green);
    tf.write(QStringLiteral("notes.txt"), "text");
    for (const char *name : {"red.png", "blue.png", "notes.txt", "missing.png"})
        add(QLatin1String(name));
    list.lvw->viewport()->repaint(); // requests made, none delivered yet
    // Refilled before they arrive: each thumbnail still lands on the row of its own file.
    m->clear();
    for (const char *name : {"green.png", "red.png", "notes.txt", "missing.png"})
        add(QLatin1String(name));
    settle();
    QCOMPARE(centre(icon(0)), qRgb(0, 255, 0));
    QCOMPARE(centre(icon(1)), qRgb(255, 0, 0));
    QCOMPARE(icon(2).cacheKey(), FileIcons::forFileName(QStringLiteral("notes.txt")).cacheKey());
    QCOMPARE(icon(3).cacheKey(), FileIcons::forFileName(QStringLiteral("missing.png")).cacheKey());
    QCOMPARE(icon(0).pixmap(list.lvw->iconSize()).size(), QSize(16, 12));

    // Only the rows painted are asked for, in either view.
    for (bool grid : {false, true}) {
        list.views->showThumbnails(grid);
        m->clear();
        const qint64 before = loader->requests();
        for (int i = 0; i < 2000; ++i)
            add(QStringLiteral("%1.png").arg(i));
        settle();
        QVERIFY2(loader->requests() - before < 40, qPrintable(QString::number(loader->requests() - before)));
    }
}

QTEST_MAIN(TestThumbnails)
#include "test_thumbnails.moc"
