#pragma once

#include <QAbstractScrollArea>

namespace romshelf {

class SystemLog;

// The system window: the coloured log of the last launch, scrolled to its newest line.
class CSystem : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CSystem(const SystemLog& log, QWidget* parent = nullptr);

    // A line was added: repaint now and scroll to the bottom.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScrollRange();

    const SystemLog& log_;
    static constexpr int kLineHeight = 15;
};

}  // namespace romshelf
