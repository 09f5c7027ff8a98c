#include "uAbout.h"

#include "controls/EscapedError.h"

#include "about/ClickLabel.h"
#include "about/LicenceFile.h"
#include "about/Platform.h"
#include "about/Shell.h"
#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "pictures/PictureLoader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <algorithm>
#include <memory>

namespace {

constexpr int kClientWidth = 474;
constexpr int kClientHeight = 360;

QFont fontOf(const QString &family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

QFont tahoma(int pixelSize)
{
    return fontOf(QStringLiteral("Tahoma"), pixelSize);
}

// Our texts are shown as they are: "&" is a character, never a mnemonic, and nothing is markup.
QLabel *textLabel(QWidget *parent, const char *name, QPoint at)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    return label;
}

// Takes the width of its text; keeps the height the form gives it unless the font needs more.
void fitText(QLabel *label, int formHeight)
{
    const QSize hint = label->sizeHint();
    label->resize(hint.width(), std::max(formHeight, hint.height()));
}

void setColour(QWidget *widget, QPalette::ColorRole role, const QPalette &from, QPalette::ColorRole source)
{
    QPalette palette = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, role, from.brush(group, source));
    widget->setPalette(palette);
}

// The colour of window frames: three fifths of the way from the ground to the text, the usual
// dark grey (102, 102, 102) for black on white. Unlike a fixed grey or the palette's shadow colour,
// it stays readable under a dark colour scheme.
QColor frameColour(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::Text);
    const QColor ground = palette.color(QPalette::Base);
    const auto mix = [](int a, int b) { return (a * 3 + b * 2) / 5; };
    return QColor(mix(text.red(), ground.red()), mix(text.green(), ground.green()), mix(text.blue(), ground.blue()));
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(tahoma(11));
    // The dialog sits on the system's window colour (the text box ground), not the grey of buttons.
    const QPalette system = palette();
    setColour(this, QPalette::Window, system, QPalette::Base);
    setColour(this, QPalette::WindowText, system, QPalette::Text);

    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 101, kClientHeight);
    Image1->setAutoSize(true);
    Image1->setTransparent(true);

    lblApplication = textLabel(this, "lblApplication", {107, 8});
    lblApplication->setFont(tahoma(16));

    BitBtn2 = new TBitBtn(this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setText(QStringLiteral("Close"));
    BitBtn2->setGeometry(382, 328, 75, 25);

    bbtSave = new TBitBtn(this);
    bbtSave->setObjectName(QStringLiteral("bbtSave"));
    bbtSave->setText(QStringLiteral("Save"));
    bbtSave->setGeometry(107, 327, 75, 25);

    lblWebSite = new TClickLabel(this);
    lblWebSite->setObjectName(QStringLiteral("lblWebSite"));
    lblWebSite->setTextFormat(Qt::PlainText);
    lblWebSite->setText(QStringLiteral("www.vartolin.example"));
    lblWebSite->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWebSite->setGeometry(107, 311, 350, 13);
    QFont linkFont = tahoma(11);
    linkFont.setUnderline(true);
    lblWebSite->setFont(linkFont);
    setColour(lblWebSite, QPalette::WindowText, system, QPalette::Link);
    lblWebSite->setCursor(Qt::PointingHandCursor);

    lblVersion = textLabel(this, "lblVersion", {107, 32});

    memEULA = new QPlainTextEdit(this);
    memEULA->setObjectName(QStringLiteral("memEULA"));
    memEULA->setGeometry(107, 65, 350, 240);
    memEULA->setFont(fontOf(QStringLiteral("Courier New"), 12));
    memEULA->setReadOnly(true);
    // Read-only, yet the keyboard can still move through the text and select it for copying.
    memEULA->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memEULA->setTabChangesFocus(true);
    memEULA->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memEULA->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memEULA->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memEULA->setPlainText(licenceText());

    imgDonate = new TImage(this);
    imgDonate->setObjectName(QStringLiteral("imgDonate"));
    imgDonate->setGeometry(335, 8, 122, 47);
    imgDonate->setAutoSize(true);
    imgDonate->setTransparent(true);
    imgDonate->setCursor(Qt::PointingHandCursor);
    imgDonate->hide();

    lblCompilerVersion = textLabel(this, "lblCompilerVersion", {107, 48});
    QFont italic = tahoma(11);
    italic.setItalic(true);
    lblCompilerVersion->setFont(italic);
    QPalette framePalette = lblCompilerVersion->palette();
    framePalette.setColor(QPalette::WindowText, frameColour(system));
    lblCompilerVersion->setPalette(framePalette);

    loadPicturesByName(this);

    setTabOrder(memEULA, bbtSave);
    setTabOrder(bbtSave, BitBtn2);
    memEULA->setFocus();

    connect(BitBtn2, &TBitBtn::clicked, this, controls::guarded([this] { BitBtn2Click(BitBtn2); }));
    connect(bbtSave, &TBitBtn::clicked, this, controls::guarded([this] { bbtSaveClick(bbtSave); }));
    connect(lblWebSite, &TClickLabel::clicked, this, &TfrmAbout::lblWebSiteClick);
    connect(imgDonate, &TControl::clicked, this, &TfrmAbout::imgDonateClick);
}

void TfrmAbout::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) // not a restore from minimised
        FormShow();
    QDialog::showEvent(event);
}

void TfrmAbout::FormShow()
{
    lblApplication->setText(QGuiApplication::applicationDisplayName());
    fitText(lblApplication, 19);
    lblVersion->setText(QStringLiteral(" Version ") + FileVersionText());
    fitText(lblVersion, 13);
    lblCompilerVersion->setText(compilerVersionText());
    fitText(lblCompilerVersion, 13);
}

void TfrmAbout::keyPressEvent(QKeyEvent *event)
{
    // Only "Close", the close box and the system's close key end this dialog: Escape does nothing.
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    // No button is the default: Enter clicks the focused button and does nothing anywhere else.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()); button && button->isEnabled())
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmAbout::BitBtn2Click(QObject *)
{
    close();
}

void TfrmAbout::bbtSaveClick(QObject *)
{
    SaveDialog.FileName = QStringLiteral("EULA.txt");
    if (!SaveDialog.Execute(this))
        return;
    // A file error is not ours to handle: it goes on to the program's error handler.
    replaceFile(SaveDialog.FileName,
                crlfLinesInCodePage(memEULA->toPlainText(), platform::userCodePageEncoder()));
}

void TfrmAbout::lblWebSiteClick(QObject *)
{
    shellOpen(this, lblWebSite->text());
}

void TfrmAbout::imgDonateClick(QObject *)
{
    shellOpen(nullptr, FDonateURL);
}

void ShowAbout(const QString &donateUrl)
{
    // A child of the active window so that it opens centred over it; a fresh instance every time,
    // destroyed on every way out of here.
    auto dialog = std::make_unique<TfrmAbout>(QApplication::activeWindow());
    dialog->FDonateURL = donateUrl;
    dialog->imgDonate->setVisible(!dialog->FDonateURL.isEmpty());
    if (const QWidget *owner = dialog->parentWidget()) {
        // Centred by the client areas: the toolkit centres frames and has to guess the dialog's,
        // which is thinner than the main window's on Windows.
        QRect client(QPoint(0, 0), dialog->size());
        client.moveCenter(owner->window()->geometry().center());
        dialog->setGeometry(client);
    }
    dialog->exec();
}

QString versionText(std::optional<quint32> majorMinor)
{
    const quint32 value = majorMinor.value_or(0xFFFFFFFFu);
    return QStringLiteral("%1.%2").arg(value >> 16).arg(value & 0xFFFFu);
}

QString FileVersionText()
{
    return versionText(platform::fileVersionMajorMinor());
}
