#include "MainLayout.h"

#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "controls/TPanel.h"
#include "rules/LevelConfig.h"
#include "rules/Progression.h"
#include "rules/QuantityChallenge.h"
#include "rules/SizeChallenge.h"

#include <QHash>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace layout {
namespace {

enum class Fill { None, Window, White };
enum class Font { Inherit, Answer, NumberLeft, NumberRight };

struct PanelRow {
    const char *name;
    const char *parent;
    QRect geometry;
    int border;
    Fill fill;
    int tabOrder;
    int tag = 0;
    const char *caption = "";
    Font font = Font::Inherit;
    bool visible = true;
};

enum Flag { Stretch = 1, Proportional = 2, Center = 4, AutoSize = 8, Transparent = 16 };

struct PictureRow {
    const char *name;
    const char *parent;
    QRect geometry;
    int flags;
    int tag = 0;
    bool visible = true;
    bool answer = false;
    const char *accessibleName = "";
};

// Answer controls: their Tag is the answer they give (1 ">", 0 "=", -1 "<").
const PanelRow kPanels[] = {
    {"Panel5", "frmMain", {0, 0, kClientWidth, 49}, 4, Fill::Window, 1},
    // page 0: size comparison
    {"pnlFacile_Gauche", "TabSheet1", {0, 0, 470, 583}, 4, Fill::White, 0},
    {"pnlFacile_Droite", "TabSheet1", {617, 0, 470, 583}, 4, Fill::White, 1},
    {"Panel4", "TabSheet1", {470, 0, 147, 583}, 4, Fill::None, 2},
    // page 1: level 3
    {"pnlNiv3Gauche", "TabSheet2", {0, 0, 490, 583}, 4, Fill::White, 0},
    {"pnlNiv3Droite", "TabSheet2", {597, 0, 490, 583}, 4, Fill::White, 1},
    {"pnlNiv3Boutons", "TabSheet2", {490, 0, 107, 583}, 4, Fill::None, 2},
    {"Panel9", "pnlNiv3Boutons", {9, 126, 80, 74}, 0, Fill::None, 1, 1, ">", Font::Answer},
    {"Panel8", "pnlNiv3Boutons", {9, 254, 80, 74}, 0, Fill::None, 0, 0, "=", Font::Answer},
    {"Panel10", "pnlNiv3Boutons", {9, 382, 80, 74}, 0, Fill::None, 2, -1, "<", Font::Answer},
    // page 2: level 4
    {"pnlNiv4Gauche", "TabSheet3", {0, 0, 490, 583}, 4, Fill::White, 0},
    {"pnlNiv4Boutons", "TabSheet3", {490, 0, 107, 583}, 4, Fill::None, 1},
    {"pnlNiv4Droite", "TabSheet3", {597, 0, 490, 583}, 4, Fill::White, 2},
    {"Panel11", "pnlNiv4Boutons", {9, 126, 80, 74}, 0, Fill::None, 1, 1, ">", Font::Answer},
    {"Panel7", "pnlNiv4Boutons", {9, 254, 80, 74}, 0, Fill::None, 0, 0, "=", Font::Answer},
    {"Panel12", "pnlNiv4Boutons", {9, 382, 80, 74}, 0, Fill::None, 2, -1, "<", Font::Answer},
    // page 3: numbers
    {"pnlDifficile_Gauche", "TabSheet4", {0, 0, 490, 583}, 4, Fill::White, 0, 0, "8", Font::NumberLeft},
    {"Panel6", "TabSheet4", {490, 0, 107, 583}, 4, Fill::None, 1},
    {"pnlDifficile_Droite", "TabSheet4", {597, 0, 490, 583}, 4, Fill::White, 2, 0, "quatre", Font::NumberRight},
    {"Panel14", "Panel6", {9, 126, 80, 74}, 0, Fill::None, 1, 1, ">", Font::Answer},
    {"Panel13", "Panel6", {9, 254, 80, 74}, 0, Fill::None, 0, 0, "=", Font::Answer},
    {"Panel15", "Panel6", {9, 382, 80, 74}, 0, Fill::None, 2, -1, "<", Font::Answer},
};

// The crocodile pictures come before the text panels of the same answer, which lie over them.
const PictureRow kPictures[] = {
    {"imgFacile_Gauche", "pnlFacile_Gauche", {4, 4, 462, 575}, Center},
    {"imgFacile_Droite", "pnlFacile_Droite", {4, 4, 462, 575}, Center},
    {"imgFacile_Grand", "Panel4", {16, 99, 106, 74}, AutoSize, 1, true, true, ">"},
    {"imgFacile_Petit", "Panel4", {16, 411, 106, 74}, AutoSize, -1, true, true, "<"},
    {"imgCurrent", "Panel5", {12, 11, 32, 32}, Transparent, 0, false},
    {"imgPastOK", "Panel5", {50, 11, 32, 32}, Transparent, 0, false},
    {"imgFutur", "Panel5", {88, 11, 32, 32}, Transparent, 0, false},
};

const PanelRow kAnswerPanelsOfPage0[] = {
    {"pnlFacile_Grand", "Panel4", {16, 99, 106, 74}, 0, Fill::None, 1, 1, ">", Font::Answer, false},
    {"pnlFacile_Egal", "Panel4", {16, 255, 106, 74}, 0, Fill::None, 0, 0, "=", Font::Answer, true},
    {"pnlFacile_Petit", "Panel4", {16, 411, 106, 74}, 0, Fill::None, 2, -1, "<", Font::Answer, false},
};

// The streak strip: pitch 38 except 36 between positions 5 and 6; position 0 sits 2 px lower.
const QPoint kScorePositions[kStreakLength] = {{357, 11}, {395, 9}, {433, 9}, {471, 9}, {509, 9},
                                    {547, 9},  {583, 9}, {621, 9}, {659, 9}, {697, 9}};

struct Grid {
    const char *family;   // "imgNiv3" or "imgNiv4"
    int columns, places;
    QSize placeSize;
    int left0, pitchX, top0, pitchY;
};
const Grid kGrids[] = {
    {"imgNiv3", 3, kLevel3Quantities.places, {152, 183}, 8, 160, 8, 191},
    {"imgNiv4", 5, kLevel4Quantities.places, {88, 87}, 8, 96, 8, 95},
};

// Places that stand 2 px off their grid position.
const QHash<QString, QPoint> &offGridPlaces()
{
    static const QHash<QString, QPoint> places = {
        {QStringLiteral("imgNiv3Droite_0"), {8, 10}},    {QStringLiteral("imgNiv3Droite_7"), {170, 388}},
        {QStringLiteral("imgNiv4Gauche_8"), {298, 105}}, {QStringLiteral("imgNiv4Gauche_10"), {10, 200}},
        {QStringLiteral("imgNiv4Droite_8"), {294, 105}}, {QStringLiteral("imgNiv4Droite_23"), {298, 386}},
    };
    return places;
}

class Builder
{
public:
    explicit Builder(QWidget *form) : m_form(form) { m_byName.insert(QStringLiteral("frmMain"), form); }

    QWidget *parent(const char *name) const
    {
        QWidget *widget = m_byName.value(QLatin1String(name));
        Q_ASSERT_X(widget, "layout", name);
        return widget;
    }

    template <class T> T *add(const QString &name, const char *parentName, QRect geometry)
    {
        auto *control = new T(parent(parentName));
        control->setObjectName(name);
        control->setGeometry(geometry);
        m_byName.insert(name, control);
        return control;
    }

    TPanel *panel(const PanelRow &row)
    {
        auto *panel = add<TPanel>(QLatin1String(row.name), row.parent, row.geometry);
        panel->setBorderWidth(row.border);
        panel->setParentBackground(row.fill == Fill::None);
        if (row.fill == Fill::Window)
            panel->setColor(m_form->palette().color(QPalette::Base)); // the system window colour
        else if (row.fill == Fill::White)
            panel->setColor(Qt::white);
        panel->setTabOrder(row.tabOrder);
        setTag(panel, row.tag);
        panel->setCaption(QString::fromUtf8(row.caption));
        if (row.font != Font::Inherit)
            panel->setFont(fontFor(row.font));
        if (row.font == Font::Answer)
            markAnswer(panel);
        panel->setVisible(row.visible);
        return panel;
    }

    TImage *picture(const QString &name, const char *parentName, QRect geometry, int flags)
    {
        auto *image = add<TImage>(name, parentName, geometry);
        image->setStretch(flags & Stretch);
        image->setProportional(flags & Proportional);
        image->setCenter(flags & Center);
        image->setAutoSize(flags & AutoSize);
        image->setTransparent(flags & Transparent);
        return image;
    }

    TImage *picture(const PictureRow &row)
    {
        auto *image = picture(QLatin1String(row.name), row.parent, row.geometry, row.flags);
        setTag(image, row.tag);
        image->setVisible(row.visible);
        if (row.answer) {
            image->setAccessibleName(QString::fromUtf8(row.accessibleName));
            markAnswer(image);
        }
        return image;
    }

    TBitBtn *button(const char *name, QRect geometry, const char *caption, const char *handler)
    {
        auto *button = add<TBitBtn>(QLatin1String(name), "Panel5", geometry);
        button->setText(QString::fromUtf8(caption));
        button->setAccessibleName(button->text());
        button->setFocusPolicy(Qt::NoFocus);
        button->setProperty("OnClick", QLatin1String(handler));
        return button;
    }

    static QFont fontFor(Font role)
    {
        QFont font(QStringLiteral("Verdana"));
        font.setBold(true);
        if (role != Font::Inherit) {
            // Glyphs this large are drawn from their outlines on every paint; hinting them would
            // run the font's hinting program each time and changes nothing visible at this size.
            font.setHintingPreference(QFont::PreferNoHinting);
        }
        switch (role) {
        case Font::Answer: font.setPixelSize(kAnswerFontPx); break;
        case Font::NumberLeft: font.setPixelSize(467); break;
        case Font::NumberRight: font.setPixelSize(120); break;
        case Font::Inherit: break;
        }
        return font;
    }

    static void markAnswer(QWidget *control)
    {
        control->setCursor(Qt::PointingHandCursor);
        control->setProperty("OnClick", QStringLiteral("BalanceClick"));
    }

private:
    QWidget *m_form;
    QHash<QString, QWidget *> m_byName;
};

const PanelRow &panelRow(const char *name)
{
    for (const PanelRow &row : kPanels)
        if (qstrcmp(row.name, name) == 0)
            return row;
    Q_UNREACHABLE();
}

// The page a control lies on: up its parents to the tab sheet.
int pageOf(const char *parent)
{
    while (qstrncmp(parent, "TabSheet", 8) != 0) {
        const PanelRow *above = nullptr;
        for (const PanelRow &row : kPanels)
            if (qstrcmp(row.name, parent) == 0)
                above = &row;
        if (!above)
            return -1;
        parent = above->parent;
    }
    return parent[8] - '1';
}

void buildGrid(Builder &b, const Grid &grid, const char *side, const char *panelName)
{
    for (int i = 0; i < grid.places; ++i) {
        const QString name = QStringLiteral("%1%2_%3").arg(QLatin1String(grid.family), QLatin1String(side)).arg(i);
        QPoint at(grid.left0 + (i % grid.columns) * grid.pitchX, grid.top0 + (i / grid.columns) * grid.pitchY);
        at = offGridPlaces().value(name, at);
        b.picture(name, panelName, QRect(at, grid.placeSize), Center | Proportional);
    }
}

void buildHolders(Builder &b, const char *family, int count, const char *parentName)
{
    for (int k = 1; k <= count; ++k) {
        auto *holder = b.picture(QStringLiteral("%1_%2").arg(QLatin1String(family)).arg(k), parentName,
                                 QRect(4, 4, 20, 20), Stretch | Proportional);
        holder->setVisible(false);
    }
}

} // namespace

const std::vector<AnswerControl> &answerControls()
{
    static const std::vector<AnswerControl> controls = [] {
        std::vector<AnswerControl> all;
        auto panels = [&all](const auto &rows) {
            for (const PanelRow &row : rows)
                if (row.font == Font::Answer)
                    all.push_back({QLatin1String(row.name), pageOf(row.parent), row.tag, false});
        };
        panels(kPanels);
        for (const PictureRow &row : kPictures)
            if (row.answer)
                all.push_back({QLatin1String(row.name), pageOf(row.parent), row.tag, true});
        panels(kAnswerPanelsOfPage0);
        return all;
    }();
    return controls;
}

QString answerControlName(int level, int tag)
{
    const std::optional<LevelConfig> config = levelConfig(level);
    if (!config)
        return {};
    // The crocodiles give "<" and ">" at level 1; "=" is a text panel at levels 1 and 2 alike.
    const bool picture = config->crocodileAnswers && tag != 0;
    for (const AnswerControl &control : answerControls())
        if (control.page == int(config->page) && control.tag == tag && control.picture == picture)
            return control.name;
    return {};
}

QString sizeHolderName(int object, char sizeLetter)
{
    return QStringLiteral("imgFacile_%1_%2").arg(object).arg(QLatin1Char(sizeLetter));
}

void buildMainWindow(QWidget *form)
{
    Builder b(form);
    b.panel(panelRow("Panel5"));
    b.button("bbtAbout", {4, 4, 133, 41}, "A propos de...", "bbtAboutClick");
    b.button("bbtClose", {992, 4, 99, 41}, "Quitter", "bbtCloseClick");
    for (int i = 0; i < kStreakLength; ++i)
        b.picture(QStringLiteral("imgScore%1").arg(i), "Panel5", QRect(kScorePositions[i], QSize(32, 32)),
                  Transparent);

    const int barHeight = panelRow("Panel5").geometry.height();
    auto *pages = b.add<TPageControl>(QStringLiteral("PageControl"), "frmMain",
                                      {0, barHeight, kClientWidth, kClientHeight - barHeight});
    for (int i = 1; i <= 4; ++i) {
        const QString name = QStringLiteral("TabSheet%1").arg(i);
        auto *sheet = b.add<TTabSheet>(name, "PageControl", TPageControl::pageArea(pages->size()));
        sheet->setCaption(name);
        sheet->setTabOrder(i - 1);
        pages->addPage(sheet);
    }

    for (const PanelRow &row : kPanels)
        if (qstrcmp(row.name, "Panel5") != 0)
            b.panel(row);
    for (const PictureRow &row : kPictures)
        b.picture(row);
    for (const PanelRow &row : kAnswerPanelsOfPage0)
        b.panel(row);

    for (int n = 1; n <= kSizeObjectCount; ++n) {
        for (char letter : {'G', 'M', 'P'}) {
            auto *holder = b.picture(sizeHolderName(n, letter), "TabSheet1", {500, 20, 50, 50}, Center);
            holder->setVisible(false);
        }
    }
    buildHolders(b, "imgNiv3", kLevel3Quantities.objects, "pnlNiv3Boutons");
    buildHolders(b, "imgNiv4", kLevel4Quantities.objects, "pnlNiv4Boutons");
    for (const Grid &grid : kGrids) {
        const bool three = qstrcmp(grid.family, "imgNiv3") == 0;
        buildGrid(b, grid, "Gauche", three ? "pnlNiv3Gauche" : "pnlNiv4Gauche");
        buildGrid(b, grid, "Droite", three ? "pnlNiv3Droite" : "pnlNiv4Droite");
    }
    pages->setActivePageIndex(1); // the stored page; the first challenge chooses its own
}

} // namespace layout
