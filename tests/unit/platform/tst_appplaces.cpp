// Where map.txt is looked for (where settings.opt is kept: the main window's tests).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "AppPlaces.h"

class TestAppPlaces : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;

    QString path(const QString &relative) const { return m_root.filePath(relative); }

    static void touch(const QString &file)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    // Folders of a temporary home: work/, exe/bin/, config/, data1/, data2/.
    TAppPlaces places() const
    {
        TAppPlaces p;
        p.workingFolder = path("work");
        p.executableFolder = path("exe/bin") + QLatin1Char('/');
        p.configHome = path("config");
        p.dataDirs = {path("data1"), path("data2")};
        p.shareFromBinary = QStringLiteral("../share");
        return p;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        for (const char *dir : {"work", "exe/bin"})
            QVERIFY(QDir(m_root.path()).mkpath(QString::fromLatin1(dir)));
    }

    void mapCandidates_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("places"); // after the working folder, before <prefix>/share

        QTest::newRow("XDG folders set") << QStringList{"HOME=/h", "XDG_CONFIG_HOME=/c", "XDG_DATA_DIRS=/d1:/d2/"}
                                         << QStringList{"/c/kalvero/map.txt", "/d1/kalvero/map.txt", "/d2/kalvero/map.txt"};
        QTest::newRow("unset: the home's .config and the standard data folders")
            << QStringList{"HOME=/h"}
            << QStringList{"/h/.config/kalvero/map.txt", "/usr/local/share/kalvero/map.txt", "/usr/share/kalvero/map.txt"};
        QTest::newRow("empty and relative values are ignored, a folder named twice is looked at once")
            << QStringList{"HOME=/h", "XDG_CONFIG_HOME=conf", "XDG_DATA_DIRS=:rel::/d:/d/"}
            << QStringList{"/h/.config/kalvero/map.txt", "/d/kalvero/map.txt"};
    }

    void mapCandidates()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, places);
        QProcessEnvironment env;
        for (const QString &entry : environment)
            env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        const TAppPlaces p = TAppPlaces::Current(env);
        QStringList expected = QStringList{QDir::currentPath() + QStringLiteral("/map.txt")} + places;
        expected << QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + p.shareFromBinary
                                    + QStringLiteral("/kalvero/map.txt"));
        QCOMPARE(p.MapCandidates(), expected);
        QCOMPARE(p.executableFolder, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    }

    // Each place in turn gets a map, from the last to the first: the first one present wins.
    void lookupTakesTheFirstRegularFile()
    {
        const TAppPlaces p = places();
        QCOMPARE(FirstRegularFile(p.MapCandidates()), QString());
        const QStringList order = {"exe/share/kalvero/map.txt", "data2/kalvero/map.txt", "data1/kalvero/map.txt",
                                   "config/kalvero/map.txt"};
        for (const QString &file : order) {
            touch(path(file));
            QCOMPARE(FirstRegularFile(p.MapCandidates()), path(file));
        }
        // A FIFO or a folder named map.txt in the working folder counts as missing.
        QCOMPARE(mkfifo(QFile::encodeName(path("work/map.txt")).constData(), 0644), 0);
        QCOMPARE(FirstRegularFile(p.MapCandidates()), path("config/kalvero/map.txt"));
        QVERIFY(QFile::remove(path("work/map.txt")));
        QVERIFY(QDir().mkdir(path("work/map.txt")));
        QCOMPARE(FirstRegularFile(p.MapCandidates()), path("config/kalvero/map.txt"));
        QVERIFY(QDir().rmdir(path("work/map.txt")));
        touch(path("work/map.txt"));
        QCOMPARE(FirstRegularFile(p.MapCandidates()), path("work/map.txt"));
        QVERIFY(!IsRegularFile(QStringLiteral("/dev/null")));
    }
};

QTEST_GUILESS_MAIN(TestAppPlaces)
#include "tst_appplaces.moc"
