#pragma once

#include <QColor>
#include <QWidget>

// A thin separator line across the control, optionally with a caption over its left end.
class CXGroupLineST : public QWidget
{
    Q_OBJECT

public:
    explicit CXGroupLineST(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString GetText() const { return m_strText; }
    void SetBackgroundColor(const QColor& color);

    static QColor LineColor() { return QColor(213, 223, 229); }
    // The line's distance from the top for a control `height` pixels high.
    static int LineY(int height) { return (height - 2) / 2; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strText;
    QColor m_crBackground;
};
