// TUpDown: the two small arrow buttons beside an edit; they only say which way to step (+1 up, -1 down).
#pragma once

#include <QSize>
#include <QWidget>

#include <functional>

class TUpDown : public QWidget {
public:
    TUpDown(QWidget *parent, const std::function<void(int)> &onStep, QSize buttonSize);

    // The arrows are read as "増やす" and "減らす"; beside another number they are told apart by the caption of
    // the field they step ("太さ：" reads "太さ 増やす").
    void NameAfter(QString field);
};
