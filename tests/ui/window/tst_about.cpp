// The About box: controls, picture, memory figures, link and closing keys.
#include <QBuffer>
#include <QFrame>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "JpegImage.h"
#include "Resources.h"
#include "MemoryStatus.h"
#include "WindowFixture.h"
#include "reabout.h"

class TestAbout : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Kalvero"));
        QVERIFY(m_work.isValid());
        QVERIFY(QDir::setCurrent(m_work.path()));
        EnsureResources();
    }
    void cleanup() { removeSettings(); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::newRow("ProgramIcon") << "ProgramIcon" << QRect(-8, 4, 600, 140) << "";
        QTest::newRow("Bevel1") << "Bevel1" << QRect(177, 142, 260, 2) << "";
        QTest::newRow("Label1") << "Label1" << QRect(8, 150, 82, 13) << "The Kalvero";
        QTest::newRow("Label2") << "Label2" << QRect(8, 169, 123, 13) << KalveroWebAddress();
        QTest::newRow("Label3") << "Label3" << QRect(8, 191, 187, 13) << "Physical Memory Available to Windows:";
        QTest::newRow("Label4") << "Label4" << QRect(8, 210, 73, 13) << "Memory in Use:";
        QTest::newRow("OKButton") << "OKButton" << QRect(276, 229, 75, 25) << "OK";
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        TAboutBox box;
        auto *w = box.findChild<QWidget *>(name);
        QVERIFY(w);
        auto *label = qobject_cast<QLabel *>(w);
        if (label && !text.isEmpty()) {
            // Text labels keep their place and grow, when the face needs it, to show it all.
            QCOMPARE(label->text(), text);
            QCOMPARE(label->pos(), geometry.topLeft());
            QVERIFY(label->width() >= geometry.width() && label->height() >= geometry.height());
            QVERIFY(label->width() >= label->sizeHint().width());
            QVERIFY(label->geometry().right() < box.width());
        } else {
            QCOMPARE(w->geometry(), geometry);
        }
        if (auto *button = qobject_cast<QPushButton *>(w))
            QCOMPARE(button->text(), text);
    }

    void box()
    {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Kalvero"));
        QCOMPARE(box.size(), QSize(592, 257));
        QCOMPARE(box.minimumSize(), box.maximumSize()); // not resizable
        QCOMPARE(box.palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(box.OKButton->isDefault());
        QVERIFY(box.Label2->font().underline());
        QCOMPARE(box.Label2->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(box.Label2->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(box.PhysMem->pos(), QPoint(276, 191));
        QCOMPARE(box.FreeRes->pos(), QPoint(276, 210));
        // The picture's right edge meets the client area's right edge.
        QCOMPARE(box.ProgramIcon->geometry().right(), box.width() - 1);
    }

    void picture()
    {
        TAboutBox box;
        const QPixmap pixmap = box.ProgramIcon->pixmap();
        QCOMPARE(pixmap.size(), QSize(600, 140));
        const QImage image = pixmap.toImage();
        bool coloured = false;
        for (int x = 0; x < 600 && !coloured; x += 7)
            for (int y = 0; y < 140 && !coloured; y += 7) {
                const QColor c = image.pixelColor(x, y);
                coloured = c.red() != c.green() || c.green() != c.blue();
            }
        QVERIFY(coloured);
    }

    void decodeJpeg_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QFile about(QStringLiteral(":/about.jpg"));
        QVERIFY(about.open(QIODevice::ReadOnly));
        const QByteArray jpeg = about.readAll();
        QTest::newRow("the About picture") << jpeg << QSize(600, 140);
        QTest::newRow("empty") << QByteArray() << QSize();
        QTest::newRow("not a JPEG") << QByteArray("GIF89a not a jpeg at all") << QSize();
        QTest::newRow("start marker only") << QByteArray("\xFF\xD8\xFF", 3) << QSize();
        QTest::newRow("header cut short") << jpeg.left(40) << QSize();
        if (QImageWriter::supportedImageFormats().contains("jpeg")) {
            QImage grey(33, 17, QImage::Format_Grayscale8);
            grey.fill(128);
            QByteArray greyJpeg;
            QBuffer buffer(&greyJpeg);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(grey.save(&buffer, "JPEG"));
            QTest::newRow("grey picture") << greyJpeg << QSize(33, 17);
        }
    }
    void decodeJpeg()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        const QImage image = DecodeJpeg(bytes);
        QCOMPARE(image.isNull(), !size.isValid());
        if (size.isValid())
            QCOMPARE(image.size(), size);
    }

    void physicalMemory_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("2 GiB") << quint64(2) * 1024 * 1024 * 1024 << "en_US" << "2,097,152 KB";
        QTest::newRow("8 GiB needs 64 bits") << quint64(8) * 1024 * 1024 * 1024 << "en_US" << "8,388,608 KB";
        QTest::newRow("1 TiB") << (quint64(1) << 40) << "en_US" << "1,073,741,824 KB";
        QTest::newRow("German separator") << quint64(2) * 1024 * 1024 * 1024 << "de_DE" << "2.097.152 KB";
        QTest::newRow("C locale still groups") << quint64(3) * 1024 * 1024 << "C" << "3,072 KB";
        QTest::newRow("zero") << quint64(0) << "en_US" << "0 KB";
        QTest::newRow("half rounds up") << quint64(1536) << "en_US" << "2 KB";
        QTest::newRow("below half rounds down") << quint64(1535) << "en_US" << "1 KB";
        QTest::newRow("under 1 KB") << quint64(511) << "en_US" << "0 KB";
    }
    void physicalMemory()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, shown);
        QCOMPARE(FormatPhysicalMemory(bytes, QLocale(locale)), shown);
    }

    void memoryLoad()
    {
        QCOMPARE(FormatMemoryLoad(42), QStringLiteral("42 %"));
        QCOMPARE(FormatMemoryLoad(0), QStringLiteral("0 %"));
        QCOMPARE(FormatMemoryLoad(100), QStringLiteral("100 %"));
    }

    void figuresAreFilledIn()
    {
        TAboutBox box;
        const MemoryStatus status = QueryMemoryStatus();
        QVERIFY(status.totalPhysBytes > 0);
        QCOMPARE(box.PhysMem->text(), FormatPhysicalMemory(status.totalPhysBytes));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{1,3} %$")).match(box.FreeRes->text()).hasMatch());
        QVERIFY(box.PhysMem->width() >= box.PhysMem->sizeHint().width()); // the figures are not cut off
        QVERIFY(box.FreeRes->width() >= box.FreeRes->sizeHint().width());
    }

    void closingKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void closingKeys()
    {
        QFETCH(int, key);
        TAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(QApplication::focusWidget(), box.OKButton); // first in the tab order
        QTest::keyClick(&box, Qt::Key(key));
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Rejected));
    }

    void linkOpensItsOwnText()
    {
        TAboutBox box;
        QStringList opened;
        box.OpenLink = [&opened](const QString &target) { opened << target; };
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.Label2, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(opened, QStringList{box.Label2->text()});
        box.Label2->setText(QStringLiteral("https://example.invalid/other"));
        box.Label2Click();
        QCOMPARE(opened.last(), QStringLiteral("https://example.invalid/other"));
        QTest::mouseClick(box.Label1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(opened.size(), 2);
    }

    // A new box every time, owned by the window and gone once it has closed.
    void helpAboutMakesAFreshBoxEachTime()
    {
        FormUnderTest f = makeForm();
        QList<QPointer<QDialog>> boxes;
        f.prompts->OnShowModal = [&boxes, &f](QDialog *dialog) {
            QCOMPARE(dialog->parent(), f.form.get());
            boxes << dialog;
        };
        f->HelpAboutItem->trigger();
        f->HelpAboutItem->trigger();
        QCOMPARE(f.prompts->entries("Modal: "), (QStringList{"Modal: AboutBox", "Modal: AboutBox"}));
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes[0].isNull());
        QVERIFY(boxes[1].isNull());
    }

    // Closing the box activates the window again without reading the settings again.
    void closingTheBoxDoesNotReloadSettings()
    {
        FormUnderTest f = makeForm();
        QVERIFY(showActive(f.form.get()));
        QVERIFY(!FirstActivation);
        const QString size = f->txtFontSize->text();
        writeFile(settingsPath(), "[Font]\nSize=33\n");
        f.prompts->OnShowModal = [](QDialog *dialog) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QTest::keyClick(dialog, Qt::Key_Escape);
        };
        f->HelpAbout();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QCOMPARE(f->txtFontSize->text(), size);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
