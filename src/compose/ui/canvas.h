#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

// The flyer canvas: the current flyer shown whole as a sheet with a soft drop shadow on a
// blue-grey background, as large as the area allows but never larger than the page itself.
class CXCanvas : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXCanvas)

public:
    explicit CXCanvas(QWidget* parent = nullptr);

    void SetPageSize(int width, int height);
    void SetMargin(int margin) { m_nMargin = margin; }
    void SetShadow(bool shadow, int depth);
    int PageWidth() const { return m_nPageWidth; }
    int PageHeight() const { return m_nPageHeight; }
    int Margin() const { return m_nMargin; }
    bool HasShadow() const { return m_bShadow; }
    int ShadowDepth() const { return m_nShadowDepth; }

    // Recomputes where the sheet goes in the current area.
    void SizeToFit();
    QRect PageRect() const { return m_pageRect; }

    // The canvas keeps its own reference to the picture, so it can never show one that its owner
    // has since dropped. A null picture leaves the sheet empty.
    void SetFlyerImage(const QImage& image);
    // A whole flyer page: the sheet takes its size first, so a square or landscape theme's page
    // shows whole, with the proportions it has.
    void ShowPage(const QImage& page);
    QImage FlyerImage() const { return m_flyerImage; }

    // Shown on an empty sheet, e.g. why there is no flyer.
    void SetEmptyText(const QString& text);
    QString EmptyText() const { return m_strEmptyText; }

    void SetSheetColor(const QColor& color);
    QColor SheetColor() const { return m_crSheet; }

    static QColor BackgroundColor() { return QColor(144, 153, 174); }
    static QColor FrameColor() { return QColor(128, 128, 128); }

Q_SIGNALS:
    // A left double-click anywhere on the canvas.
    void DoubleClicked();
    // A right double-click with Ctrl and Shift held: make the missing theme covers.
    void CoverGestureRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const QImage& ScaledFlyer(const QRect& target);

    int m_nPageWidth = 0;
    int m_nPageHeight = 0;
    int m_nMargin = 12;
    bool m_bShadow = false;
    int m_nShadowDepth = 6;
    QRect m_pageRect;
    QImage m_flyerImage;
    QImage m_scaledFlyer; // m_flyerImage at the size last drawn, made once per size
    QString m_strEmptyText;
    QColor m_crSheet = QColor(255, 255, 255);
};
