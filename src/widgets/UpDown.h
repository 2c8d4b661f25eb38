// TUpDown: the two small arrow buttons beside an edit; they only say which way to step (+1 up, -1 down).
#pragma once

#include <QSize>
#include <QWidget>

#include <functional>

class TUpDown : public QWidget {
public:
    TUpDown(QWidget *parent, const std::function<void(int)> &onStep, QSize buttonSize);
};
