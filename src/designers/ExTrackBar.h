// TExTrackBar: the track bar of the layout-detail dialog. Up and Down can move either way, a click beside the
// thumb goes to the owner instead of paging, and the end of every movement is reported.
#pragma once

#include <QSlider>

class TExTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TExTrackBar(QWidget *parent = nullptr);

    // False (as a new bar): Down moves the thumb toward the maximum and Up toward the minimum.
    bool DownIsLeft() const { return DownIsLeft_; }
    void SetDownIsLeft(bool value) { DownIsLeft_ = value; }

signals:
    // After a drag ends, and after each key or page move.
    void OnChanged(QObject *Sender);
    // A left click on the bar outside the thumb, with the click point.
    void OnMouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, const QPoint &Pos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QRect thumbRect() const;
    void Changed();

    bool DownIsLeft_ = false;
};
