#pragma once
// The About dialog: title, version, compiler line, the licence text with saving, and the links
// to the web site and to an optional donation page.

#include "about/CompilerVersion.h"
#include "about/SaveDialog.h"

#include <QDialog>
#include <QString>
#include <optional>

class QLabel;
class QPlainTextEdit;
class TBitBtn;
class TImage;
class TClickLabel;

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    const QString &donateURL() const { return FDonateURL; }

    // In declaration order, as the form has them.
    TImage *Image1 = nullptr;
    QLabel *lblApplication = nullptr;
    TBitBtn *BitBtn2 = nullptr;
    TBitBtn *bbtSave = nullptr;
    TClickLabel *lblWebSite = nullptr;
    QLabel *lblVersion = nullptr;
    TSaveDialog SaveDialog;
    QPlainTextEdit *memEULA = nullptr;
    TImage *imgDonate = nullptr;
    QLabel *lblCompilerVersion = nullptr;

public slots:
    void FormShow();
    void BitBtn2Click(QObject *Sender);
    void bbtSaveClick(QObject *Sender);
    void lblWebSiteClick(QObject *Sender);
    void imgDonateClick(QObject *Sender);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend void ShowAbout(const QString &donateUrl);
    QString FDonateURL;
};

// Opens the About dialog modally; the donate picture shows only for a non-empty address.
void ShowAbout(const QString &donateUrl);

// "major.minor" of the running program.
QString FileVersionText();
// "major.minor" from the high 32 bits of a file version; an unreadable version reads as all ones.
QString versionText(std::optional<quint32> majorMinor);
