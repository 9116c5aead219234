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
    // Lines are 15 pixels apart at the 14-pixel font; a larger desktop font spaces them wider.
    static constexpr int kLineHeight = 15;
    int lineHeight() const;
};

}  // namespace romshelf
