#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <string>

namespace romshelf {

// The database window: the selected file's comment, word-wrapped on white.
class CDataBase : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CDataBase(QWidget* parent = nullptr);

    // Replaces the text, repaints now and scrolls to the top.
    void setText(const std::string& text);
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The room the text wraps in: the client area less 2 pixels at the left and top, 4 at the
    // right.
    QRect textRect() const;
    void updateScrollRange();

    QString text_;
};

}  // namespace romshelf
