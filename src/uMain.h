#pragma once
// The main window: the game state, its event handlers and the game rules applied to its controls.

#include "rules/RelationDraw.h"

#include <QHash>
#include <QWidget>
#include <memory>

class TBitBtn;
class TImage;
class TPageControl;
class TPanel;

class TfrmMain : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Finds a control by its component name; nullptr for a name the window does not have.
    QWidget *FindComponent(const QString &name) const;
    template <class T> T *component(const QString &name) const { return qobject_cast<T *>(FindComponent(name)); }

    // Game state, readable for tests and tools.
    int lastImage() const { return FLastImage; }
    int expectedAnswer() const { return FBal; }
    int level() const { return FLevel; }
    int streak() const { return FJusteSuite; }
    bool isBuildingChallenge() const { return FBuilding; }

    // Puts the game at a level and streak and builds a challenge there (tour, tests).
    void startAt(int level, int streak);

    // Pauses and message processing of the relation draw; tests put their own in place.
    void setPacing(ChallengePacing *pacing);

public slots:
    void FormCreate();
    void FormShow();
    void BalanceClick(QObject *Sender);
    void NewDefiClick(QObject *Sender = nullptr);
    void UpdateStreakStrip();
    void bbtAboutClick();
    void bbtCloseClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void indexComponents();
    void bindEvents();
    void centreOnScreen();
    void applyLevelConfig();
    void buildSizeChallenge();
    void buildQuantityChallenge(bool level3);
    void buildNumberChallenge();
    void copyPicture(TImage *destination, const QString &holderName);

    // Game state.
    int FLastImage = 0;
    int FBal = 0;
    int FLevel = 1;
    int FJusteSuite = 0;
    bool FBuilding = false;   // a challenge is being built: answer clicks are ignored

    QHash<QString, QWidget *> m_components;
    std::unique_ptr<ChallengePacing> m_defaultPacing;
    ChallengePacing *m_pacing = nullptr;

public:
    // Controls the game addresses directly.
    TPageControl *PageControl = nullptr;
    TImage *imgFacile_Gauche = nullptr, *imgFacile_Droite = nullptr;
    TImage *imgFacile_Grand = nullptr, *imgFacile_Petit = nullptr;
    TPanel *pnlFacile_Grand = nullptr, *pnlFacile_Petit = nullptr;
    TPanel *pnlDifficile_Gauche = nullptr, *pnlDifficile_Droite = nullptr;
    TImage *imgPastOK = nullptr, *imgCurrent = nullptr, *imgFutur = nullptr;
    TBitBtn *bbtAbout = nullptr, *bbtClose = nullptr;
};

extern TfrmMain *frmMain;
