#include "uMain.h"

#include "controls/EscapedError.h"

#include "app/VartolinApplication.h"
#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "controls/TPanel.h"
#include "layout/MainLayout.h"
#include "pictures/PictureLoader.h"
#include "rules/LevelConfig.h"
#include "rules/NumberChallenge.h"
#include "rules/Progression.h"
#include "rules/QuantityChallenge.h"
#include "rules/SizeChallenge.h"
#include "uAbout.h"

#include <QCoreApplication>
#include <QScreen>
#include <QShowEvent>
#include <QThread>

TfrmMain *frmMain = nullptr;

namespace {

// The real pauses block the GUI thread; clicks made meanwhile wait in the queue.
class BlockingPacing final : public ChallengePacing
{
public:
    void pause(int milliseconds) override { QThread::msleep(static_cast<unsigned long>(milliseconds)); }
    void processPendingMessages() override { QCoreApplication::processEvents(); }
};

// While it lives, answer clicks are ignored.
class BuildingGuard
{
public:
    explicit BuildingGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~BuildingGuard() { m_flag = false; }
    BuildingGuard(const BuildingGuard &) = delete;
    BuildingGuard &operator=(const BuildingGuard &) = delete;

private:
    bool &m_flag;
};

} // namespace

TfrmMain::TfrmMain(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      m_defaultPacing(std::make_unique<BlockingPacing>()),
      m_pacing(m_defaultPacing.get())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("frmMain"));
    QFont windowFont(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(layout::kWindowFontPx);
    // Every text of the window is French, which each chosen family covers; not merging in
    // fallback fonts spares the font system a search through every installed font.
    windowFont.setStyleStrategy(QFont::NoFontMerging);
    setFont(windowFont);
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    layout::buildMainWindow(this);
    indexComponents();
    loadMainWindowPictures([this](const QString &name) { return FindComponent(name); });
    bindEvents();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::indexComponents()
{
    const auto children = findChildren<QWidget *>();
    for (QWidget *child : children)
        if (!child->objectName().isEmpty())
            m_components.insert(child->objectName(), child);
    PageControl = component<TPageControl>(QStringLiteral("PageControl"));
    imgFacile_Gauche = component<TImage>(QStringLiteral("imgFacile_Gauche"));
    imgFacile_Droite = component<TImage>(QStringLiteral("imgFacile_Droite"));
    imgFacile_Grand = component<TImage>(QStringLiteral("imgFacile_Grand"));
    imgFacile_Petit = component<TImage>(QStringLiteral("imgFacile_Petit"));
    pnlFacile_Grand = component<TPanel>(QStringLiteral("pnlFacile_Grand"));
    pnlFacile_Petit = component<TPanel>(QStringLiteral("pnlFacile_Petit"));
    pnlDifficile_Gauche = component<TPanel>(QStringLiteral("pnlDifficile_Gauche"));
    pnlDifficile_Droite = component<TPanel>(QStringLiteral("pnlDifficile_Droite"));
    imgPastOK = component<TImage>(QStringLiteral("imgPastOK"));
    imgCurrent = component<TImage>(QStringLiteral("imgCurrent"));
    imgFutur = component<TImage>(QStringLiteral("imgFutur"));
    bbtAbout = component<TBitBtn>(QStringLiteral("bbtAbout"));
    bbtClose = component<TBitBtn>(QStringLiteral("bbtClose"));
}

void TfrmMain::bindEvents()
{
    for (QWidget *control : std::as_const(m_components)) {
        const QString handler = control->property("OnClick").toString();
        if (handler == QLatin1String("BalanceClick"))
            connect(qobject_cast<TControl *>(control), &TControl::clicked, this, &TfrmMain::BalanceClick);
    }
    connect(bbtAbout, &TBitBtn::clicked, this, controls::guarded([this] { bbtAboutClick(); }));
    connect(bbtClose, &TBitBtn::clicked, this, controls::guarded([this] { bbtCloseClick(); }));
}

QWidget *TfrmMain::FindComponent(const QString &name) const
{
    return m_components.value(name);
}

void TfrmMain::setPacing(ChallengePacing *pacing)
{
    m_pacing = pacing ? pacing : m_defaultPacing.get();
}

void TfrmMain::FormCreate()
{
    setWindowTitle(applicationTitle());
    FLevel = 1;
    FLastImage = 0;
    FJusteSuite = 0;
}

void TfrmMain::FormShow()
{
    FLevel = 1;
    FJusteSuite = 0;
    UpdateStreakStrip();
    NewDefiClick(this);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) // restored from the task bar: not a first showing
        return;
    centreOnScreen();
    FormShow();
}

void TfrmMain::centreOnScreen()
{
    if (const QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmMain::startAt(int level, int streak)
{
    FLevel = level;
    FJusteSuite = streak;
    NewDefiClick(this);
    UpdateStreakStrip();
}

void TfrmMain::BalanceClick(QObject *Sender)
{
    if (FBuilding || !Sender) // a click that arrived while the challenge was being built
        return;
    const AnswerOutcome outcome = judgeAnswer({FLevel, FJusteSuite}, tagOf(Sender), FBal);
    FLevel = outcome.progress.level;
    FJusteSuite = outcome.progress.streak;
    if (outcome.correct)
        NewDefiClick(Sender);
    UpdateStreakStrip();
}

void TfrmMain::UpdateStreakStrip()
{
    for (int i = 0; i < kStreakLength; ++i) {
        TImage *source = imgFutur;
        switch (streakMarkAt(i, FJusteSuite)) {
        case StreakMark::PastOK: source = imgPastOK; break;
        case StreakMark::Current: source = imgCurrent; break;
        case StreakMark::Futur: break;
        }
        component<TImage>(QStringLiteral("imgScore%1").arg(i))->setPicture(source->picture());
    }
}

void TfrmMain::NewDefiClick(QObject *)
{
    if (FBuilding)
        return;
    BuildingGuard guard(FBuilding);
    applyLevelConfig();
    switch (static_cast<Page>(PageControl->activePageIndex())) {
    case Page::SizeComparison: buildSizeChallenge(); break;
    case Page::Quantities9: buildQuantityChallenge(true); break;
    case Page::Quantities30: buildQuantityChallenge(false); break;
    case Page::Numbers: buildNumberChallenge(); break;
    }
}

void TfrmMain::applyLevelConfig()
{
    const auto config = levelConfig(FLevel);
    if (!config)
        return;
    PageControl->setActivePageIndex(static_cast<int>(config->page));
    if (config->page == Page::SizeComparison) {
        imgFacile_Grand->setVisible(config->crocodileAnswers);
        imgFacile_Petit->setVisible(config->crocodileAnswers);
        pnlFacile_Grand->setVisible(!config->crocodileAnswers);
        pnlFacile_Petit->setVisible(!config->crocodileAnswers);
    }
    if (config->numberFontPoints > 0) {
        for (TPanel *panel : {pnlDifficile_Gauche, pnlDifficile_Droite}) {
            QFont font = panel->font();
            font.setPixelSize(pointsToPixels(config->numberFontPoints));
            panel->setFont(font);
        }
    }
}

void TfrmMain::copyPicture(TImage *destination, const QString &holderName)
{
    destination->setPicture(component<TImage>(holderName)->picture());
}

void TfrmMain::buildSizeChallenge()
{
    const SizeChallenge challenge = drawSizeChallenge(FLastImage);
    FLastImage = challenge.object;
    FBal = challenge.expected;
    copyPicture(imgFacile_Gauche, layout::sizeHolderName(challenge.object, challenge.sizes.left));
    copyPicture(imgFacile_Droite, layout::sizeHolderName(challenge.object, challenge.sizes.right));
}

void TfrmMain::buildQuantityChallenge(bool level3)
{
    const QuantityLevel &level = level3 ? kLevel3Quantities : kLevel4Quantities;
    const QString family = level3 ? QStringLiteral("imgNiv3") : QStringLiteral("imgNiv4");
    const QuantityChallenge challenge = drawQuantityChallenge(level, *m_pacing);
    FBal = challenge.expected;
    const Picture object = component<TImage>(family + QStringLiteral("_%1").arg(challenge.object))->picture();
    for (int i = 0; i < level.places; ++i) {
        component<TImage>(family + QStringLiteral("Gauche_%1").arg(i))->setPicture(challenge.left[i] == '1' ? object : Picture());
        component<TImage>(family + QStringLiteral("Droite_%1").arg(i))->setPicture(challenge.right[i] == '1' ? object : Picture());
    }
    // Clicks made during the last pause are still queued: let them arrive while they are ignored.
    m_pacing->processPendingMessages();
}

void TfrmMain::buildNumberChallenge()
{
    const NumberChallenge challenge = drawNumberChallenge(FLevel, levelConfig(FLevel) ? levelConfig(FLevel)->max : 10, *m_pacing);
    FBal = challenge.expected;
    pnlDifficile_Gauche->setCaption(QString::fromStdString(challenge.left));
    pnlDifficile_Droite->setCaption(QString::fromStdString(challenge.right));
    m_pacing->processPendingMessages();
}

void TfrmMain::bbtAboutClick()
{
    ShowAbout(QString());
}

void TfrmMain::bbtCloseClick()
{
    close();
}
