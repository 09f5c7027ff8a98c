// The About dialog: controls, labels, keyboard, links, saving the licence text and its failures.

#include "about/ClickLabel.h"
#include "about/LicenceFile.h"
#include "about/SaveDialog.h"
#include "about/Shell.h"
#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "crash/game/ErrorHandler.h"
#include "support/TestSupport.h"
#include "uAbout.h"
#include "uMain.h"

#include <QAbstractTextDocumentLayout>
#include <QDirIterator>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_WIN
#include <QProcess>
#include <QScopeGuard>
#include <cstdio>
#include <windows.h>
#endif

namespace {

// Runs `act` on the dialog once ShowAbout has it up, lets what `act` posted arrive, closes the
// dialog if `act` did not, and checks that ShowAbout destroyed it on return.
void withAbout(const QString &donateUrl, const std::function<void(TfrmAbout &)> &act)
{
    bool found = false;
    QPointer<TfrmAbout> seen;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        seen = qobject_cast<TfrmAbout *>(modal);
        found = !seen.isNull();
        if (seen)
            act(*seen);
        QCoreApplication::processEvents();
        if (modal && modal->isVisible())
            modal->close();
    });
    ShowAbout(donateUrl);
    QVERIFY2(found, "ShowAbout showed no modal About dialog");
    QVERIFY2(seen.isNull(), "the dialog outlived ShowAbout");
}

class EnvironmentScope
{
public:
    EnvironmentScope(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentScope() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Every file and folder below `folder`, as sorted relative paths.
QStringList namesIn(const QString &folder)
{
    QStringList names;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();)
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

} // namespace

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void licenceText();
    void versionText_data();
    void versionText();
    void labelsFilledOnShow_data();
    void labelsFilledOnShow();
    void windowAndControls_data();
    void windowAndControls();
    void keyboardAndClosing();
    void links();
    void codePageStandIns();
    void savedFileBytes_data();
    void savedFileBytes();
    void saveSuggestsEulaTxtEveryTime();
    void saveFailures_data();
    void saveFailures();
    void gameUnchangedByTheDialog();
#ifdef Q_OS_WIN
    void versionResourceOfTheProgram();
    void copyWithoutVersionResource();
    void shellOpenReachesTheSystemAsShown();
#endif

private:
    // The save dialog answers from m_answers (cancel once they run out) and records its suggestions;
    // the shell and the error handler record what reaches them.
    QStringList m_suggested;
    QList<std::optional<QString>> m_answers;
    QList<QPair<QWidget *, QString>> m_opened;
    QStringList m_errors;
    std::unique_ptr<QTemporaryDir> m_reports;
};

void AboutTest::init()
{
    m_suggested.clear();
    m_answers.clear();
    m_opened.clear();
    m_errors.clear();
    TSaveDialog::setRunner([this](QWidget *, const QString &fileName) -> std::optional<QString> {
        m_suggested << fileName;
        return m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
    });
    setShellOpener([this](QWidget *owner, const QString &address) { m_opened.append({owner, address}); });
    m_reports = std::make_unique<QTemporaryDir>();
    ErrorHandler::setReportFolder(m_reports->path());
    crash::setDialogHook([this](QDialog &dialog) {
        if (auto *box = qobject_cast<crash::CrashDialog *>(&dialog)) {
            m_errors << box->details().error;
            box->continueButton->click();
        }
    });
}

void AboutTest::cleanup()
{
    TSaveDialog::setRunner({});
    setShellOpener({});
    crash::setDialogHook({});
    ErrorHandler::setReportFolder({});
    m_reports.reset();
}

void AboutTest::licenceText()
{
    const QString text = ::licenceText();
    const QStringList lines = text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 86);
    QCOMPARE(lines.count(QString()), 15);
    QSet<char16_t> beyondAscii;
    for (QChar c : text)
        if (c.unicode() > 0x7F)
            beyondAscii.insert(c.unicode());
    QCOMPARE(beyondAscii, (QSet<char16_t>{0x201C, 0x201D, 0x2013}));
    QVERIFY(text.contains(QLatin1String("the Vartolin authors"), Qt::CaseInsensitive));

    // Word wrap is on: a line too wide for the box would show as two.
    withAbout(QString(), [&](TfrmAbout &dialog) {
        const QTextDocument *document = dialog.memEULA->document();
        QCOMPARE(dialog.memEULA->toPlainText(), text);
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            document->documentLayout()->blockBoundingRect(block); // lays the block out
            QVERIFY2(block.lineCount() == 1 && block.text().size() <= 46, qPrintable(block.text()));
        }
    });
}

void AboutTest::versionText_data()
{
    QTest::addColumn<std::optional<quint32>>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("major in the high half") << std::optional<quint32>(0x00010000u) << "1.0";
    QTest::newRow("minor in the low half") << std::optional<quint32>(0x0003000Cu) << "3.12";
    QTest::newRow("halves are unsigned") << std::optional<quint32>(0xFFFE8001u) << "65534.32769";
    QTest::newRow("unreadable") << std::optional<quint32>() << "65535.65535";
}

void AboutTest::versionText()
{
    QFETCH(std::optional<quint32>, raw);
    QFETCH(QString, text);
    QCOMPARE(::versionText(raw), text);
    // The running program reads back the version the build gave it.
    QCOMPARE(FileVersionText(), QStringLiteral("%1.%2").arg(VARTOLIN_VERSION_MAJOR).arg(VARTOLIN_VERSION_MINOR));
}

void AboutTest::labelsFilledOnShow_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "Vartolin";
    QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << "Vartolin";
    // Neither a mnemonic nor markup: every character of the title is drawn.
    QTest::newRow("ampersand title") << QLocale(QLocale::English) << "Tom & <b>Jerry</b>";
}

void AboutTest::labelsFilledOnShow()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, title);
    const QLocale saved;
    QLocale::setDefault(locale);
    QGuiApplication::setApplicationDisplayName(title);
    withAbout(QString(), [&](TfrmAbout &dialog) {
        QCOMPARE(dialog.lblApplication->text(), title);
        QCOMPARE(dialog.lblVersion->text(), QStringLiteral(" Version ") + FileVersionText());
        const QString compiler = dialog.lblCompilerVersion->text();
        const QString pattern = QStringLiteral("^Compiler & RTL: \\d+%1\\d\\d  $").arg(QRegularExpression::escape(locale.decimalPoint()));
        QVERIFY2(QRegularExpression(pattern).match(compiler).hasMatch(), qPrintable(compiler));
        QCOMPARE(locale.toDouble(compiler.mid(16).trimmed()), std::round(compilerVersionNumber() * 100) / 100);
        for (QLabel *label : {dialog.lblApplication, dialog.lblCompilerVersion})
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    });
    QLocale::setDefault(saved);
    configureApplication();
}

void AboutTest::windowAndControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // width -1: fits its text
    QTest::addColumn<int>("pixelSize");  // 0: no text
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("style");      // 1 italic, 2 underlined
    const QString tahoma = QStringLiteral("Tahoma");
    QTest::newRow("Image1") << "Image1" << QRect(0, 0, 101, 360) << 0 << QString() << 0;
    QTest::newRow("lblApplication") << "lblApplication" << QRect(107, 8, -1, 19) << 16 << tahoma << 0;
    QTest::newRow("lblVersion") << "lblVersion" << QRect(107, 32, -1, 13) << 11 << tahoma << 0;
    QTest::newRow("lblCompilerVersion") << "lblCompilerVersion" << QRect(107, 48, -1, 13) << 11 << tahoma << 1;
    QTest::newRow("imgDonate") << "imgDonate" << QRect(335, 8, 122, 47) << 0 << QString() << 0;
    QTest::newRow("memEULA") << "memEULA" << QRect(107, 65, 350, 240) << 12 << "Courier New" << 0;
    QTest::newRow("lblWebSite") << "lblWebSite" << QRect(107, 311, 350, 13) << 11 << tahoma << 2;
    QTest::newRow("bbtSave") << "bbtSave" << QRect(107, 327, 75, 25) << 11 << tahoma << 0;
    QTest::newRow("BitBtn2") << "BitBtn2" << QRect(382, 328, 75, 25) << 11 << tahoma << 0;
}

void AboutTest::windowAndControls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(int, pixelSize);
    QFETCH(QString, family);
    QFETCH(int, style);
    withAbout(QStringLiteral("x"), [&](TfrmAbout &dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
        QCOMPARE(dialog.size(), QSize(474, 360));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        auto *control = dialog.findChild<QWidget *>(name);
        QVERIFY(control);
        if (geometry.width() < 0) {
            QCOMPARE(control->pos(), geometry.topLeft());
            QCOMPARE(control->height(), std::max(geometry.height(), control->sizeHint().height()));
            QCOMPARE(control->width(), control->sizeHint().width());
        } else {
            QCOMPARE(control->geometry(), geometry);
        }
        if (pixelSize > 0) {
            QCOMPARE(control->font().pixelSize(), pixelSize);
            QCOMPARE(control->font().family(), family);
            QCOMPARE(control->font().italic(), bool(style & 1));
            QCOMPARE(control->font().underline(), bool(style & 2));
        }
        if (auto *image = qobject_cast<TImage *>(control))
            QCOMPARE(image->picture().size(), geometry.size());
        if (auto *button = qobject_cast<TBitBtn *>(control))
            QCOMPARE(button->glyph().size(), QSize(64, 16));
    });
}

void AboutTest::keyboardAndClosing()
{
    withAbout(QString(), [&](TfrmAbout &dialog) {
        QCOMPARE(dialog.focusWidget(), dialog.memEULA);
        QList<QWidget *> tabOrder;
        for (QWidget *w = dialog.memEULA; tabOrder.size() < 4; w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                tabOrder << w;
        QCOMPARE(tabOrder, (QList<QWidget *>{dialog.memEULA, dialog.bbtSave, dialog.BitBtn2, dialog.memEULA}));

        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(dialog.memEULA, key);
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(dialog.memEULA->toPlainText(), ::licenceText()); // it took no line break either
        QVERIFY(m_suggested.isEmpty());

        // Enter and Space click the focused button; Escape does nothing there either.
        dialog.bbtSave->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape})
            QTest::keyClick(dialog.bbtSave, key);
        QCOMPARE(m_suggested.size(), 2);
        QVERIFY(dialog.isVisible());
        dialog.BitBtn2->setFocus();
        QTest::keyClick(dialog.BitBtn2, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
    });
    withAbout(QString(), [](TfrmAbout &dialog) {
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    });
    withAbout(QString(), [](TfrmAbout &dialog) {
        QVERIFY(dialog.close()); // how the close box and Alt+F4 arrive
        QVERIFY(!dialog.isVisible());
    });
}

void AboutTest::links()
{
    withAbout(QString(), [&](TfrmAbout &dialog) {
        QVERIFY(dialog.imgDonate->isHidden());
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, dialog.imgDonate->geometry().center());
        QCOMPARE(dialog.lblWebSite->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(dialog.lblWebSite, Qt::LeftButton);
        QCOMPARE(m_opened, (QList<QPair<QWidget *, QString>>{{&dialog, QStringLiteral("www.vartolin.example")}}));
    });

    // Any non-empty text shows the picture, and a click hands over exactly that text, with no owner.
    m_opened.clear();
    const QString donate = QStringLiteral(" donate.vartolin.example/give?to=the authors&amount=5 ");
    withAbout(donate, [&](TfrmAbout &dialog) {
        QVERIFY(dialog.imgDonate->isVisible());
        QCOMPARE(dialog.imgDonate->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(dialog.imgDonate, Qt::LeftButton);
    });
    QCOMPARE(m_opened, (QList<QPair<QWidget *, QString>>{{nullptr, donate}}));
}

void AboutTest::codePageStandIns()
{
    // A code page with only Latin-1: typographic characters fall back to ASCII, others to '?'.
    const platform::CharacterEncoder latin1 = [](QStringView c) -> std::optional<QByteArray> {
        if (c.size() == 1 && c.front().unicode() <= 0xFF)
            return QByteArray(1, char(c.front().unicode()));
        return std::nullopt;
    };
    const QString text = QStringLiteral(u"\u201C\u00E9\u201D \u2013 \u2018x\u2019\n\n\u00A0\U0001F600") + QChar(0xD800);
    QCOMPARE(crlfLinesInCodePage(text, latin1), QByteArray("\"\xE9\" - 'x'\r\n\r\n\xA0?\?\r\n"));

    // A character outside the basic plane reaches the code page whole, not as two halves.
    const platform::CharacterEncoder utf8 = [](QStringView c) { return std::optional<QByteArray>(c.toUtf8()); };
    QCOMPARE(crlfLinesInCodePage(QStringLiteral(u"a\U0001F600"), utf8), QByteArray("a\xF0\x9F\x98\x80\r\n"));
}

void AboutTest::savedFileBytes_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<bool>("utf8");
#ifdef Q_OS_WIN
    // The user's ANSI code page, whatever the environment says.
    QTest::newRow("ANSI code page") << QByteArray() << (GetACP() == CP_UTF8);
#else
    QTest::newRow("UTF-8 code set") << QByteArray("C.UTF-8") << true;
    QTest::newRow("ASCII code set") << QByteArray("C") << false;
#endif
}

void AboutTest::savedFileBytes()
{
    QFETCH(QByteArray, locale);
    QFETCH(bool, utf8);
    QTemporaryDir folder;
    // A name typed without extension, over an existing longer file: replaced, no question, no ".txt".
    const QString path = folder.filePath(QStringLiteral("EULA"));
    writeFile(path, QByteArray(10000, 'x'));
    m_answers = {path};
    EnvironmentScope codeSet("LC_ALL", locale); // the POSIX code set; Windows takes its ANSI code page
    withAbout(QString(), [](TfrmAbout &dialog) { QTest::mouseClick(dialog.bbtSave, Qt::LeftButton); });

    QByteArray expected;
    for (QString line : ::licenceText().split(QLatin1Char('\n'))) {
#ifdef Q_OS_WIN
        // Every Windows-125x code page holds the three as the same bytes.
        const UINT codePage = GetACP();
        if (!utf8 && (codePage < 1250 || codePage > 1258))
            QSKIP(qPrintable(QStringLiteral("no expected bytes written out for code page %1").arg(codePage)));
        if (!utf8) {
            QByteArray bytes = line.toLatin1();
            for (qsizetype i = 0; i < line.size(); ++i) {
                const char16_t c = line[i].unicode();
                if (c > 0x7F)
                    bytes[i] = c == 0x201C ? '\x93' : c == 0x201D ? '\x94' : c == 0x2013 ? '\x96' : '?';
            }
            expected += bytes + "\r\n";
            continue;
        }
#endif
        if (!utf8)
            line.replace(QChar(0x201C), QLatin1Char('"')).replace(QChar(0x201D), QLatin1Char('"')).replace(QChar(0x2013), QLatin1Char('-'));
        expected += line.toUtf8() + "\r\n";
    }
    const QByteArray bytes = readAll(path);
    QCOMPARE(bytes.count("\r\n"), 86);
    QCOMPARE(bytes.count('\n'), 86);
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(bytes, expected);
    QCOMPARE(namesIn(folder.path()), QStringList{QStringLiteral("EULA")});
    QCOMPARE(m_errors, QStringList());
}

void AboutTest::saveSuggestsEulaTxtEveryTime()
{
    QTemporaryDir folder;
    m_answers = {folder.filePath(QStringLiteral("another name.txt")), std::nullopt};
    withAbout(QString(), [](TfrmAbout &dialog) {
        QTest::mouseClick(dialog.bbtSave, Qt::LeftButton);
        QTest::mouseClick(dialog.bbtSave, Qt::LeftButton); // cancelled: nothing written
    });
    QCOMPARE(m_suggested, (QStringList{QStringLiteral("EULA.txt"), QStringLiteral("EULA.txt")}));
    QCOMPARE(namesIn(folder.path()), QStringList{QStringLiteral("another name.txt")});
    QCOMPARE(m_errors, QStringList());
}

void AboutTest::saveFailures_data()
{
    QTest::addColumn<QString>("target");   // relative to a fresh folder
    QTest::addColumn<QString>("prepare");  // what is made there first
    QTest::newRow("missing folder") << "missing/EULA.txt" << "";
    QTest::newRow("parent is a file") << "plain/EULA.txt" << "file plain";
    QTest::newRow("read-only folder") << "locked/EULA.txt" << "read-only locked";
    QTest::newRow("a folder of that name") << "EULA.txt" << "folder EULA.txt";
    QTest::newRow("write fails") << "EULA.txt" << "file EULA.txt";
}

void AboutTest::saveFailures()
{
    QFETCH(QString, target);
    QFETCH(QString, prepare);
    QTemporaryDir folder;
    const QDir root(folder.path());
    const QString path = root.filePath(target);
    const QString made = root.filePath(prepare.section(QLatin1Char(' '), 1));
    const QByteArray old("the previous file");
    const bool writeFails = QTest::currentDataTag() == QByteArrayLiteral("write fails");
    if (prepare.startsWith(QLatin1String("file")))
        writeFile(made, old);
    if (prepare.startsWith(QLatin1String("folder")))
        QVERIFY(root.mkdir(made));
    if (prepare.startsWith(QLatin1String("read-only"))) {
        QVERIFY(root.mkdir(made));
        writeFile(path, old);
        QFile::setPermissions(made, QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(root.filePath(QStringLiteral("locked/probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("folder permissions do not bind this user");
        }
    }
#ifndef Q_OS_UNIX
    if (writeFails)
        QSKIP("needs a file size limit");
#endif
    const bool existing = QFileInfo(path).isFile();
    const QString again = root.filePath(QStringLiteral("again.txt"));
    m_answers = {path, again};
    withAbout(QString(), [&](TfrmAbout &dialog) {
#ifdef Q_OS_UNIX
        // No file may grow past 1 KiB meanwhile: the licence text is larger, the error report not.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        void (*savedSignal)(int) = writeFails ? std::signal(SIGXFSZ, SIG_IGN) : SIG_DFL;
        if (writeFails) {
            rlimit small = saved;
            small.rlim_cur = 1024;
            setrlimit(RLIMIT_FSIZE, &small);
        }
#endif
        QTest::mouseClick(dialog.bbtSave, Qt::LeftButton);
#ifdef Q_OS_UNIX
        if (writeFails) {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, savedSignal);
        }
#endif
        // The user continued after the error: the dialog is still open and saves again.
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.bbtSave, Qt::LeftButton);
    });
    if (prepare.startsWith(QLatin1String("read-only")))
        QFile::setPermissions(made, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(m_errors.size(), 1);
    if (writeFails) {
        QCOMPARE(m_errors[0], QStringLiteral("Stream write error"));
    } else {
        const QString head = QStringLiteral("Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(path));
        QVERIFY2(m_errors[0].startsWith(head) && m_errors[0].size() > head.size(), qPrintable(m_errors[0]));
    }
    // Nothing half-written: an existing file keeps its contents, and no temporary file stays.
    if (existing)
        QCOMPARE(readAll(path), old);
    QStringList expectedNames{QStringLiteral("again.txt")};
    if (!prepare.isEmpty())
        expectedNames << prepare.section(QLatin1Char(' '), 1);
    if (existing && !expectedNames.contains(target))
        expectedNames << target;
    expectedNames.sort();
    QCOMPARE(namesIn(folder.path()), expectedNames);
    QCOMPARE(readAll(again).count("\r\n"), 86);
}

void AboutTest::gameUnchangedByTheDialog()
{
    ScriptedRandom random(7);
    RandomSourceScope scope(&random);
    RecordingPacing pacing;
    TfrmMain window;
    window.setPacing(&pacing);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.startAt(3, 4);

    const auto places = [&window] {
        QList<Picture> pictures;
        for (const char *side : {"Gauche", "Droite"})
            for (int i = 0; auto *place = window.component<TImage>(QStringLiteral("imgNiv3%1_%2").arg(QLatin1String(side)).arg(i)); ++i)
                pictures << place->picture();
        return pictures;
    };
    const int level = window.level(), streak = window.streak(), expected = window.expectedAnswer();
    const QList<Picture> before = places();
    QVERIFY(before.size() >= 2);

    // Opened from the About button, centred over the window, closed again.
    QPointer<TfrmAbout> dialog;
    QPoint centre;
    QTimer::singleShot(0, [&] {
        dialog = qobject_cast<TfrmAbout *>(QApplication::activeModalWidget());
        if (dialog) {
            centre = dialog->geometry().center();
            dialog->close();
        }
    });
    QTest::mouseClick(window.bbtAbout, Qt::LeftButton);
    QVERIFY(!centre.isNull());
    QVERIFY(dialog.isNull());
    QVERIFY2((centre - window.geometry().center()).manhattanLength() <= 2,
             qPrintable(QStringLiteral("the dialog's centre (%1, %2), the window's (%3, %4)").arg(centre.x()).arg(centre.y())
                            .arg(window.geometry().center().x()).arg(window.geometry().center().y())));

    QCOMPARE(window.level(), level);
    QCOMPARE(window.streak(), streak);
    QCOMPARE(window.expectedAnswer(), expected);
    const QList<Picture> after = places();
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < before.size(); ++i)
        QVERIFY(after[i].sharesImageWith(before[i]));
}

#ifdef Q_OS_WIN
namespace {

QString fourParts(DWORD high, DWORD low)
{
    return QStringLiteral("%1.%2.%3.%4").arg(HIWORD(high)).arg(LOWORD(high)).arg(HIWORD(low)).arg(LOWORD(low));
}

struct ShellCall {
    void *window;
    QString verb, file;
    bool parameters, directory;
    int show;
};
QList<ShellCall> g_shellCalls;

} // namespace

void AboutTest::versionResourceOfTheProgram()
{
    // This program carries the game's version resource, read back here with the system's own calls.
    const std::wstring path = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdWString();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    QVERIFY(size > 0);
    std::vector<BYTE> info(size);
    QVERIFY(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    QVERIFY(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) && fixed);
    QCOMPARE(fourParts(fixed->dwFileVersionMS, fixed->dwFileVersionLS), QStringLiteral(VARTOLIN_VERSION));
    QCOMPARE(fourParts(fixed->dwProductVersionMS, fixed->dwProductVersionLS),
             QStringLiteral("%1.%2.0.0").arg(VARTOLIN_VERSION_MAJOR).arg(VARTOLIN_VERSION_MINOR));
    QCOMPARE(FileVersionText(), QStringLiteral("1.0"));
    withAbout(QString(), [](TfrmAbout &dialog) { QCOMPARE(dialog.lblVersion->text(), QStringLiteral(" Version 1.0")); });
}

void AboutTest::copyWithoutVersionResource()
{
    // A copy of this program, next to it so that it finds the same libraries, with the version
    // resource taken out; it reports the version text it would show.
    const QString copy = QFileInfo(QCoreApplication::applicationFilePath()).dir().filePath(QStringLiteral("tst_about_unversioned.exe"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    const auto removeCopy = qScopeGuard([&copy] { QFile::remove(copy); });
    const std::wstring path = QDir::toNativeSeparators(copy).toStdWString();
    HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE); // without any of the resources
    QVERIFY(update);
    QVERIFY(EndUpdateResourceW(update, FALSE));
    DWORD ignored = 0;
    QCOMPARE(GetFileVersionInfoSizeW(path.c_str(), &ignored), DWORD(0));

    QProcess child;
    child.start(copy, {QStringLiteral("--print-version-text")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(QString::fromLatin1(child.readAllStandardOutput()).trimmed(), QStringLiteral("65535.65535"));
}

void AboutTest::shellOpenReachesTheSystemAsShown()
{
    // The whole way down to the system call, which alone is replaced.
    setShellOpener({});
    g_shellCalls.clear();
    platform::setShellExecuteCall([](void *window, const wchar_t *verb, const wchar_t *file, const wchar_t *parameters,
                                     const wchar_t *directory, int show) {
        g_shellCalls.append({window, QString::fromWCharArray(verb), QString::fromWCharArray(file), parameters != nullptr,
                             directory != nullptr, show});
    });
    const auto restore = qScopeGuard([] { platform::setShellExecuteCall(nullptr); });
    void *dialogWindow = nullptr;
    withAbout(QString(), [&](TfrmAbout &dialog) {
        dialogWindow = reinterpret_cast<void *>(dialog.winId());
        QTest::mouseClick(dialog.lblWebSite, Qt::LeftButton);
    });
    const QString donate = QStringLiteral(" donate.vartolin.example/give?to=the authors&amount=5 ");
    withAbout(donate, [](TfrmAbout &dialog) { QTest::mouseClick(dialog.imgDonate, Qt::LeftButton); });
    QCOMPARE(g_shellCalls.size(), 2);
    const ShellCall site = g_shellCalls[0], gift = g_shellCalls[1];
    QVERIFY(dialogWindow && site.window == dialogWindow);
    QCOMPARE(site.verb, QStringLiteral("open"));
    QCOMPARE(site.file, QStringLiteral("www.vartolin.example"));
    QVERIFY(!site.parameters && !site.directory);
    QCOMPARE(site.show, SW_SHOWNORMAL);
    QCOMPARE(gift.window, nullptr);
    QCOMPARE(gift.file, donate);
    QCOMPARE(gift.show, SW_SHOWNORMAL);
}
#endif

int main(int argc, char **argv)
{
#ifdef Q_OS_WIN
    // The copy without a version resource reports what it would show, and nothing else.
    if (argc == 2 && qstrcmp(argv[1], "--print-version-text") == 0) {
        std::printf("%s\n", qPrintable(FileVersionText()));
        return 0;
    }
#endif
    VartolinApplication app(argc, argv);
    configureApplication();
    installErrorReporting();
    AboutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_about.moc"
