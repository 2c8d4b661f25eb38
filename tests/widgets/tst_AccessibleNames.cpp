// The search for unnamed controls that the window tests of every folder rely on.
#include "Accessibility.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
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
