// The INI profile file and the memory figures.
#include <QDir>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>

#include "FileSizeLimit.h"
#include "FolderLock.h"
#include <QtTest>

#include <cmath>

#include "Errors.h"
#include "FontEnumeration.h"
#include "IniFile.h"
#include "KeyboardLayout.h"
#include "RecordingKeyboardLayouts.h"
#include "MemoryStatus.h"

class TestPlatform : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readString_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QString dflt = QStringLiteral("<default>");
        QTest::newRow("plain") << QByteArray("[Font]\nName=Arial\n") << "Font" << "Name" << "Arial";
        QTest::newRow("CR LF") << QByteArray("[Font]\r\nSize=12\r\n") << "Font" << "Size" << "12";
        QTest::newRow("case of section and key") << QByteArray("[font]\nNAME=x\n") << "Font" << "Name" << "x";
        QTest::newRow("blanks around") << QByteArray(" [ Font ] \n  Name  =  Noto Sans  \n") << "Font" << "Name"
                                       << "Noto Sans";
        QTest::newRow("quoted value") << QByteArray("[Font]\nName=\" spaced \"\n") << "Font" << "Name" << " spaced ";
        QTest::newRow("empty value") << QByteArray("[Font]\nName=\n") << "Font" << "Name" << "";
        QTest::newRow("value with equals sign") << QByteArray("[Font]\nName=a=b\n") << "Font" << "Name" << "a=b";
        QTest::newRow("key in another section") << QByteArray("[Other]\nName=no\n[Font]\nSize=1\n") << "Font"
                                                << "Name" << dflt;
        QTest::newRow("first of two") << QByteArray("[Font]\nName=one\nName=two\n") << "Font" << "Name" << "one";
        QTest::newRow("comment line") << QByteArray("[Font]\n;Name=no\n") << "Font" << "Name" << dflt;
        QTest::newRow("no section") << QByteArray("Name=top\n") << "Font" << "Name" << dflt;
        QTest::newRow("no newline at end") << QByteArray("[Font]\nSize=9") << "Font" << "Size" << "9";
        QTest::newRow("empty file") << QByteArray() << "Font" << "Size" << dflt;
    }
    void readString()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString file = path(QStringLiteral("read.ini"));
        write(file, content);
        const TIniFile ini(file);
        QCOMPARE(ini.ReadString(section, key, QStringLiteral("<default>")), value);
    }

    void missingFileGivesDefaults()
    {
        const TIniFile ini(path(QStringLiteral("absent.ini")));
        QCOMPARE(ini.ReadString(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral("ArialCoptic")),
                 QStringLiteral("ArialCoptic"));
        QVERIFY(ini.lines().isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("absent.ini"))));
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file: section, Size, Name")
            << QByteArray("<missing>") << QByteArray("[Font]\nSize=14\nName=ArialCoptic\n");
        QTest::newRow("replaced in place, other lines kept")
            << QByteArray("; mine\r\n[Font]\r\nName=Old\r\nColour=red\r\nSize=9\r\n[Tail]\r\nx=1\r\n")
            << QByteArray("; mine\r\n[Font]\r\nName=ArialCoptic\r\nColour=red\r\nSize=14\r\n[Tail]\r\nx=1\r\n");
        QTest::newRow("missing key goes to the end of its section")
            << QByteArray("[Font]\nName=Old\n\n[Tail]\nx=1\n")
            << QByteArray("[Font]\nName=ArialCoptic\nSize=14\n\n[Tail]\nx=1\n");
        QTest::newRow("missing section goes to the end")
            << QByteArray("[Other]\nk=v\n") << QByteArray("[Other]\nk=v\n[Font]\nSize=14\nName=ArialCoptic\n");
        QTest::newRow("key of another section untouched")
            << QByteArray("[Other]\nSize=1\n[Font]\nSize=2\nName=n\n")
            << QByteArray("[Other]\nSize=1\n[Font]\nSize=14\nName=ArialCoptic\n");
        QTest::newRow("no newline at end") << QByteArray("[Font]\nSize=2") << QByteArray("[Font]\nSize=14\nName=ArialCoptic\n");
        QTest::newRow("bytes that are no text kept")
            << QByteArray("[Bin]\nv=\xFF\xFE\xC3\x28\x80\xED\xA0\x80\n[Font]\nName=Old\xE9\nSize=9\n")
            << QByteArray("[Bin]\nv=\xFF\xFE\xC3\x28\x80\xED\xA0\x80\n[Font]\nName=ArialCoptic\nSize=14\n");
        QTest::newRow("each line keeps its line end and spelling")
            << QByteArray("[font]\r\nNAME = Old\nsize=9\r\n\n[Tail]\nx=\xFF")
            << QByteArray("[font]\r\nNAME = ArialCoptic\nsize=14\r\n\n[Tail]\nx=\xFF");
    }
    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString file = path(QStringLiteral("write.ini"));
        QFile::remove(file);
        if (before != "<missing>")
            write(file, before);
        TIniFile ini(file);
        ini.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("14"));
        ini.WriteString(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral("ArialCoptic"));
        ini.UpdateFile();
        QCOMPARE(read(file), after);
        // What was written reads back.
        const TIniFile again(file);
        QCOMPARE(again.ReadString(QStringLiteral("Font"), QStringLiteral("Size"), QString()), QStringLiteral("14"));
    }

    // A settings file that may be written in a folder where no new file may be made (the
    // program's folder on a shared install) is written in place.
    void writableFileInLockedFolder()
    {
        const QString folder = path(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/settings.opt");
        write(file, "[Font]\nSize=14\nName=ArialCoptic\n");
        const FolderLock lock(folder);
        if (!lock.Locked())
            QSKIP("this system cannot take the right to create files from a folder");
        TIniFile ini(file);
        ini.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("20"));
        QString error;
        try {
            ini.UpdateFile();
        } catch (const EKalveroError &e) {
            error = e.message();
        }
        QCOMPARE(error, QString());
        QCOMPARE(read(file), QByteArray("[Font]\nSize=20\nName=ArialCoptic\n"));
    }

    void nothingChangedWritesNothing()
    {
        const QString file = path(QStringLiteral("unchanged.ini"));
        TIniFile fresh(file);
        fresh.UpdateFile();
        QVERIFY(!QFile::exists(file));
        write(file, "[Font]\nSize=14\n");
        TIniFile same(file);
        same.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("14"));
        same.UpdateFile();
        QCOMPARE(read(file), QByteArray("[Font]\nSize=14\n"));
    }

    void unwritable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("folder in the file's place") << "folder.ini";
        QTest::newRow("missing folder") << "no-such-folder/settings.opt";
    }
    void unwritable()
    {
        QFETCH(QString, name);
        const QString file = path(name);
        if (name == QLatin1String("folder.ini"))
            QVERIFY(QDir().mkpath(file));
        TIniFile ini(file);
        ini.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("14"));
        try {
            ini.UpdateFile();
            QFAIL("no error");
        } catch (const EKalveroError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to %1").arg(file));
        }
    }

    void failedWriteLeavesTheOldFile_data()
    {
        QTest::addColumn<bool>("fullDisk"); // else a read-only folder
        QTest::newRow("read-only folder") << false;
        QTest::newRow("full disk") << true;
    }
    void failedWriteLeavesTheOldFile()
    {
        // The new content cannot be put in place: the old file stays whole, byte for byte.
        QFETCH(bool, fullDisk);
        if (!fullDisk && geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        const QString folder = path(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/settings.opt");
        write(file, "[Font]\nSize=9\n");
        TIniFile ini(file);
        ini.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("14"));
        if (fullDisk) {
            FileSizeLimit full(0);
            QVERIFY(full.active());
            QVERIFY_THROWS_EXCEPTION(EKalveroError, ini.UpdateFile());
        } else {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            QVERIFY_THROWS_EXCEPTION(EKalveroError, ini.UpdateFile());
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QCOMPARE(read(file), QByteArray("[Font]\nSize=9\n"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("settings.opt")});
    }

    // The font list holds face names as other programs know them: no foundry, each once.
    void faceNamesOfFamilies_data()
    {
        QTest::addColumn<QStringList>("families");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("foundries dropped, each face once")
            << QStringList{"C059 [urw]", "Nimbus Roman [UKWN]", "C059 [UKWN]", "Nimbus Roman [urw]"}
            << QStringList{"C059", "Nimbus Roman"};
        QTest::newRow("plain and with foundry") << QStringList{"Z003", "Z003 [urw]"} << QStringList{"Z003"};
        QTest::newRow("brackets inside a name kept") << QStringList{"Odd [x] Face"} << QStringList{"Odd [x] Face"};
    }
    void faceNamesOfFamilies()
    {
        QFETCH(QStringList, families);
        QFETCH(QStringList, names);
        QCOMPARE(FaceNamesOfFamilies(families), names);
    }

    // The session-wide layout as a per-window one. Steps: "next" (the window steps the layout),
    // "out" and "in" (the window loses and gets the focus), "pick N" (the user picks layout N).
    void windowLayoutMemory_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("active"); // after each step
        QTest::newRow("the user's layout outside, ours inside")
            << "next out in out" << QStringList{"fr", "de", "fr", "de"};
        QTest::newRow("never stepped: nothing touched") << "out in pick 1 out in" << QStringList{"de", "de", "fr", "fr", "fr"};
        QTest::newRow("picked inside the window: stays both ways")
            << "next next pick 1 out in" << QStringList{"fr", "us", "fr", "fr", "fr"};
        QTest::newRow("picked in another window: restored to that")
            << "next next out pick 1 in out" << QStringList{"fr", "us", "de", "fr", "us", "fr"};
    }
    void windowLayoutMemory()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, active);
        RecordingKeyboardLayouts layouts({"de", "fr", "us"}, 0);
        WindowLayoutMemory memory(layouts);
        QStringList seen;
        const QStringList words = steps.split(QLatin1Char(' '));
        for (int i = 0; i < words.size(); ++i) {
            if (words[i] == QLatin1String("next"))
                memory.activateNext();
            else if (words[i] == QLatin1String("out"))
                memory.windowDeactivated();
            else if (words[i] == QLatin1String("in"))
                memory.windowActivated();
            else
                layouts.setActive(words[++i].toInt());
            seen << layouts.activeLayout();
        }
        QCOMPARE(seen, active);
    }

    void memInfo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<int>("load");
        QTest::newRow("typical") << QByteArray("MemTotal:        8000000 kB\nMemFree:  1000000 kB\n"
                                               "MemAvailable:    2000000 kB\nCached: 5 kB\n")
                                 << quint64(8000000) * 1024 << 75;
        QTest::newRow("above 4 GiB") << QByteArray("MemTotal: 67108864 kB\nMemAvailable: 67108864 kB\n")
                                     << quint64(64) * 1024 * 1024 * 1024 << 0;
        QTest::newRow("rounded load") << QByteArray("MemTotal: 1000 kB\nMemAvailable: 334 kB\n")
                                      << quint64(1000) * 1024 << 67;
        QTest::newRow("old kernel: free plus cache")
            << QByteArray("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 1 kB\nCached: 400 kB\n")
            << quint64(1000) * 1024 << 50;
        QTest::newRow("all in use") << QByteArray("MemTotal: 1000 kB\nMemAvailable: 0 kB\n") << quint64(1000) * 1024
                                    << 100;
        QTest::newRow("no total") << QByteArray("MemFree: 100 kB\n") << quint64(0) << 0;
        QTest::newRow("garbage") << QByteArray("MemTotal: lots\n") << quint64(0) << 0;
        QTest::newRow("empty") << QByteArray() << quint64(0) << 0;
    }
    void memInfo()
    {
        QFETCH(QByteArray, text);
        QFETCH(quint64, total);
        QFETCH(int, load);
        const MemoryStatus status = ParseMemInfo(text);
        QCOMPARE(status.totalPhysBytes, total);
        QCOMPARE(status.memoryLoadPercent, load);
        // The free figure is the one the load was worked out from.
        QVERIFY(status.availPhysBytes <= status.totalPhysBytes);
        if (total > 0)
            QCOMPARE(int(std::lround(100.0 * double(total - status.availPhysBytes) / double(total))), load);
        else
            QCOMPARE(status.availPhysBytes, quint64(0));
    }

    void thisMachine()
    {
        const MemoryStatus status = QueryMemoryStatus();
        QVERIFY(status.totalPhysBytes > 16 * 1024 * 1024);
        QVERIFY(status.memoryLoadPercent >= 0 && status.memoryLoadPercent <= 100);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
