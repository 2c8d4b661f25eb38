// Files and text dragged onto a window: what a drag offers, and the drops a registered window hands on, with
// real drag data delivered to a window through Qt's drag events.
#include "widgets/FileDD.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QStringList photos{QStringLiteral("/home/山田/写真/年賀状 2024.jpg"), QStringLiteral("/tmp/b.bmp"),
                         QStringLiteral("/tmp/地図.jpeg")};

std::unique_ptr<QMimeData> filesOf(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> textOf(const QString &text)
{
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return data;
}

// A window with a drop target that records what reaches it.
class DropWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(200, 150);
        window.move(40, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        target = std::make_unique<TFileDD>(&window);
        target->OnDropFiles = [this](const QStringList &files, Qt::KeyboardModifiers, QPoint point,
                                     Qt::DropAction &effect) {
            droppedFiles = files;
            ++fileDrops;
            droppedAt = point;
            EXPECT_EQ(effect, Qt::CopyAction);
        };
    }

    // Delivers one drag event at (x, y) of the window; answers whether the window took it, and with what effect.
    std::pair<bool, Qt::DropAction> send(QEvent::Type type, const QMimeData *data, int x = 30, int y = 20)
    {
        std::unique_ptr<QDropEvent> event;
        const auto actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        if (type == QEvent::DragEnter)
            event = std::make_unique<QDragEnterEvent>(QPoint(x, y), actions, data, Qt::LeftButton, Qt::NoModifier);
        else if (type == QEvent::DragMove)
            event = std::make_unique<QDragMoveEvent>(QPoint(x, y), actions, data, Qt::LeftButton, Qt::NoModifier);
        else
            event = std::make_unique<QDropEvent>(QPointF(x, y), actions, data, Qt::NoButton, Qt::ControlModifier);
        event->setAccepted(false);
        QApplication::sendEvent(&window, event.get());
        return {event->isAccepted(), event->dropAction()};
    }

    void leave()
    {
        QDragLeaveEvent event;
        QApplication::sendEvent(&window, &event);
    }

    QWidget window;
    std::unique_ptr<TFileDD> target;
    QStringList droppedFiles;
    int fileDrops = 0;
    QPoint droppedAt;
};

const std::pair<bool, Qt::DropAction> copied{true, Qt::CopyAction};

}  // namespace

// Files first, then text; addresses of other machines and the web are no files, and a link is no text.
TEST(FileDrag, OffersFilesOfThisMachineBeforeText)
{
    EXPECT_EQ(DroppedFiles(*filesOf(photos)), photos);
    EXPECT_EQ(DropFormatOf(*filesOf(photos)), TDropFormat::Files);

    // As a file manager writes it: lines of encoded addresses, a comment, its own host named or not.
    QMimeData listed;
    listed.setData("text/uri-list", QByteArray("# dragged from the file manager\r\n"
                                               "file:///tmp/%E5%86%99%E7%9C%9F%E3%80%80%EF%BC%91.jpg\r\n"
                                               "https://example.jp/a.jpg\r\n"
                                               "file://localhost/tmp/b.bmp\r\n") +
                                        "file://" + QSysInfo::machineHostName().toUtf8() + "/tmp/c.bmp\r\n" +
                                        "file://fileserver/share/d.bmp\r\n");
    listed.setText(QStringLiteral("ignored while files are offered"));
    EXPECT_EQ(DroppedFiles(listed),
              (QStringList{QStringLiteral("/tmp/写真　１.jpg"), QStringLiteral("/tmp/b.bmp"), "/tmp/c.bmp"}));
    EXPECT_EQ(DropFormatOf(listed), TDropFormat::Files);

    QMimeData webLink;
    webLink.setUrls({QUrl(QStringLiteral("https://example.jp/写真.jpg")), QUrl("file://fileserver/d.bmp")});
    EXPECT_EQ(DropFormatOf(webLink), TDropFormat::None);
    webLink.setText(QStringLiteral("https://example.jp/写真.jpg"));
    EXPECT_EQ(DropFormatOf(webLink), TDropFormat::Text);

    EXPECT_EQ(DropFormatOf(*textOf(QStringLiteral("/tmp/地図.jpeg"))), TDropFormat::Text);
    EXPECT_EQ(DropFormatOf(QMimeData()), TDropFormat::None);
}

TEST_F(DropWindow, SeveralFilesReachTheWindowOnceInTheirOrder)
{
    const auto data = filesOf(photos);
    EXPECT_EQ(send(QEvent::DragEnter, data.get()), copied);
    EXPECT_EQ(send(QEvent::DragMove, data.get(), 60, 50), copied);
    EXPECT_EQ(send(QEvent::Drop, data.get(), 60, 50), copied);
    EXPECT_EQ(fileDrops, 1);
    EXPECT_EQ(droppedFiles, photos);
    EXPECT_EQ(droppedAt, window.mapToGlobal(QPoint(60, 50)));

    // The drag entered with files, but by the drop they could not be had: the window hears of it, with none.
    droppedFiles = {"stale"};
    send(QEvent::DragEnter, data.get());
    QMimeData emptied;
    EXPECT_EQ(send(QEvent::Drop, &emptied), copied);
    EXPECT_EQ(fileDrops, 2);
    EXPECT_TRUE(droppedFiles.isEmpty());
}

TEST_F(DropWindow, TextIsTrimmedAndOnlyForWindowsThatTakeIt)
{
    const auto text = textOf(QStringLiteral(" \t/home/山田/メモ　.txt\r\n"));
    // The designers take no text: the drag still shows a copy and the drop does nothing.
    EXPECT_EQ(send(QEvent::DragEnter, text.get()), copied);
    EXPECT_EQ(send(QEvent::Drop, text.get()), copied);
    EXPECT_EQ(fileDrops, 0);

    QStringList texts;
    target->OnDropText = [&](const QString &dropped, Qt::KeyboardModifiers keys, QPoint, Qt::DropAction &) {
        texts << dropped;
        EXPECT_EQ(keys, Qt::ControlModifier);
    };
    send(QEvent::DragEnter, text.get());
    EXPECT_EQ(send(QEvent::Drop, text.get()), copied);
    EXPECT_EQ(texts, QStringList{QStringLiteral("/home/山田/メモ　.txt")});
    EXPECT_EQ(fileDrops, 0);

    // A web link offers neither: refused on entering, over the window and at the drop.
    QMimeData link;
    link.setUrls({QUrl("https://example.jp/")});
    EXPECT_FALSE(send(QEvent::DragEnter, &link).first);
    EXPECT_FALSE(send(QEvent::DragMove, &link).first);
    EXPECT_FALSE(send(QEvent::Drop, &link).first);

    // A drag that left the window drops nothing on it.
    send(QEvent::DragEnter, text.get());
    leave();
    EXPECT_FALSE(send(QEvent::Drop, text.get()).first);
    EXPECT_EQ(texts.size(), 1);
}

TEST_F(DropWindow, RevokedWindowRefusesDrags)
{
    target->Revoke();
    const auto data = filesOf(photos);
    EXPECT_FALSE(window.acceptDrops());
    EXPECT_FALSE(send(QEvent::DragEnter, data.get()).first);
    EXPECT_FALSE(send(QEvent::Drop, data.get()).first);
    EXPECT_EQ(fileDrops, 0);

    // A drop target may outlive its window.
    auto *panel = new QWidget(&window);
    TFileDD panelTarget(panel);
    EXPECT_TRUE(panel->acceptDrops());
    delete panel;
    panelTarget.Revoke();
}
