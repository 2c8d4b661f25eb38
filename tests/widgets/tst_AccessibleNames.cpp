// The search for unnamed controls that the window tests of every folder rely on.
#include "Accessibility.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

template <class T>
T *add(QWidget *parent, const char *name)
{
    auto *control = new T(parent);
    control->setObjectName(QLatin1String(name));
    parent->layout()->addWidget(control);
    return control;
}

// A painted view of the program's own that the keyboard reaches.
class PaintedView : public QWidget {
public:
    explicit PaintedView(QWidget *parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
};

}  // namespace

TEST(AccessibleNames, CaptionsBuddiesAndSetNamesCountAndTheRestIsListed)
{
    QWidget window;
    window.setObjectName("frmTest");
    new QVBoxLayout(&window);
    add<QPushButton>(&window, "btnOK")->setText("&OK");
    auto *label = add<QLabel>(&window, "lblName");
    label->setText("氏名(&N)");
    label->setBuddy(add<QLineEdit>(&window, "edtName"));
    auto *comboLabel = add<QLabel>(&window, "lblKind");
    comboLabel->setText("種類");
    comboLabel->setBuddy(add<QComboBox>(&window, "cmbKind"));
    add<QToolButton>(&window, "btnZoom")->setAccessibleName("拡大");
    add<QSpinBox>(&window, "spnCount")->setAccessibleName("枚数");

    add<QLineEdit>(&window, "edtLoose");
    add<QToolButton>(&window, "btnIcon");
    add<QTableView>(&window, "grdList");
    add<QComboBox>(&window, "cmbLoose");
    add<PaintedView>(&window, "pnlView");

    EXPECT_THAT(test::unnamedControls(&window),
                ElementsAre("QLineEdit 'edtLoose' in 'frmTest'", "QToolButton 'btnIcon' in 'frmTest'",
                            "QTableView 'grdList' in 'frmTest'", "QComboBox 'cmbLoose' in 'frmTest'",
                            "(anonymous namespace)::PaintedView 'pnlView' in 'frmTest'"));
}

TEST(AccessibleNames, HiddenControlsAreLeftOutButOtherPagesOfAStackAreNot)
{
    QWidget window;
    new QVBoxLayout(&window);
    add<QLineEdit>(&window, "edtHidden")->hide();
    auto *stack = add<QStackedWidget>(&window, "pages");
    for (const char *name : {"edtFirstPage", "edtSecondPage"}) {
        auto *page = new QWidget;
        new QVBoxLayout(page);
        add<QLineEdit>(page, name);
        stack->addWidget(page);
    }
    window.show();

    EXPECT_THAT(test::unnamedControls(&window),
                UnorderedElementsAre("QLineEdit 'edtFirstPage' in 'pages'", "QLineEdit 'edtSecondPage' in 'pages'"));
}

// A tool bar keeps its widgets hidden until its window is first shown; the list counts them all the same,
// except those whose action the program hides.
TEST(AccessibleNames, ControlsOnAToolBarCountBeforeTheWindowIsShown)
{
    QMainWindow window;
    window.setObjectName("frmMain");
    QToolBar *bar = window.addToolBar(QString());
    bar->setObjectName("tbarTool");
    auto *shown = new QToolButton;
    shown->setObjectName("btnShown");
    bar->addWidget(shown);
    auto *hidden = new QToolButton;
    hidden->setObjectName("btnHidden");
    bar->addWidget(hidden)->setVisible(false);
    window.setCentralWidget(new QWidget);

    EXPECT_THAT(test::unnamedControls(&window), ElementsAre("QToolButton 'btnShown' in 'tbarTool'"));
}

TEST(AccessibleNames, MenuEntriesWithoutTextAreListed)
{
    QMainWindow window;
    window.setObjectName("frmMain");
    QMenu *file = window.menuBar()->addMenu("ファイル(&F)");
    file->addAction("開く(&O)...");
    file->addSeparator();
    file->addAction(QString())->setObjectName("actBlank");
    file->addAction(QString())->setVisible(false);
    window.setCentralWidget(new QWidget);

    EXPECT_THAT(test::unnamedControls(&window), ElementsAre("QAction 'actBlank' in 'frmMain'"));
}

TEST(AccessibleNames, AWellNamedWindowGivesAnEmptyList)
{
    QWidget window;
    new QVBoxLayout(&window);
    add<QPushButton>(&window, "btnClose")->setText("閉じる");
    add<QTableView>(&window, "grdList")->setAccessibleName("一覧");
    EXPECT_THAT(test::unnamedControls(&window), IsEmpty());
}

// A name a screen reader cannot tell the control by counts as none: the title of the group a field lies in
// (which its neighbours there take too), a combo box's current item where neither a label nor a name given it
// names it, digits alone, a tick's single character.
TEST(AccessibleNames, NamesThatDoNotTellTheControlAreListedWithWhy)
{
    QWidget window;
    window.setObjectName("frmTest");
    new QVBoxLayout(&window);
    auto *group = add<QGroupBox>(&window, "gbxRange");
    group->setTitle("範囲");
    new QVBoxLayout(group);
    add<QLineEdit>(group, "edtFrom");
    auto *to = add<QLineEdit>(group, "edtTo");
    auto *toLabel = add<QLabel>(group, "lblTo");
    toLabel->setText("件目まで");
    toLabel->setBuddy(to);
    add<QComboBox>(group, "cmbGrouped")->addItem("標準");
    auto *given = add<QComboBox>(&window, "cmbGiven");
    given->addItem("100%");
    given->setAccessibleName("表示倍率");
    add<QComboBox>(&window, "cmbLoose")->addItem("100%");
    auto *tick = add<QToolButton>(&window, "sbtnOne");
    tick->setCheckable(true);
    tick->setText("本");
    add<QPushButton>(&window, "btnDigits")->setText("２");
    add<QRadioButton>(&window, "rbPortrait")->setText("縦");

    EXPECT_THAT(test::unnamedControls(&window),
                UnorderedElementsAre("QLineEdit 'edtFrom' in 'gbxRange': named by its group '範囲'",
                                     "QComboBox 'cmbGrouped' in 'gbxRange': named by its current item '標準'",
                                     "QComboBox 'cmbLoose' in 'frmTest': named by its current item '100%'",
                                     "QToolButton 'sbtnOne' in 'frmTest': named '本' alone",
                                     "QPushButton 'btnDigits' in 'frmTest': named '２' alone"));
}

// Controls on one page are shown together whether or not the page is the current one: two named alike there are
// listed, two on different pages are not.
TEST(AccessibleNames, ControlsNamedAlikeOnAPageNotShownAreListedToo)
{
    QWidget window;
    new QVBoxLayout(&window);
    auto *stack = add<QStackedWidget>(&window, "pages");
    for (const char *page : {"pgFirst", "pgSecond"}) {
        auto *w = new QWidget;
        w->setObjectName(page);
        new QVBoxLayout(w);
        stack->addWidget(w);
    }
    add<QPushButton>(stack->widget(0), "btnColour")->setText("色の選択");
    add<QPushButton>(stack->widget(1), "btnFrame")->setText("色の選択");
    add<QPushButton>(stack->widget(1), "btnBack")->setText("色の選択");
    window.show();

    EXPECT_THAT(test::controlsSharingANameWithAnother(&window),
                UnorderedElementsAre("'色の選択': QPushButton 'btnFrame' in 'pgSecond'",
                                     "'色の選択': QPushButton 'btnBack' in 'pgSecond'"));
}
