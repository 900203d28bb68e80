#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

// A framed picture box: a picture of the program's resources, a picture file scaled down to fit
// (never enlarged) with an optional drop shadow, or a one-line caption when there is nothing to show.
class CXPictureST : public QWidget
{
    Q_OBJECT

public:
    enum Mode
    {
        ModeNothing = -1,
        ModeResource = 0,
        ModeFile = 1,
        ModeText = 2,
    };
    enum ResourceKind
    {
        BitmapResource = 0,
        PngResource = 1,
    };

    explicit CXPictureST(QWidget* parent = nullptr);

    void SetMode(int mode);
    int GetMode() const { return m_nMode; }

    // Trimmed; records whether the file exists now and forgets the natural size of the last picture.
    void SetFile(const QString& path);
    QString GetFile() const { return m_strFile; }
    bool IsFilePresent() const { return m_bFilePresent; }
    void ClearFile(); // empty path, no file, nothing to show: the empty-state caption is drawn

    // Shows a picture file that still exists.
    bool HasPicture() const;

    void SetResource(const QString& resourcePath, int kind);
    void SetFit(bool fit);
    void SetVerticalAlignment(int alignment);

    void SetText(const QString& text);
    QString GetText() const { return m_strText; }

    void SetColors(const QColor& background, const QColor& frame);
    void SetFrame(bool frame);
    void SetMargin(int margin);
    void SetShadow(bool shadow, int depth = 2);

    // Of the picture file last drawn; -1 until it has been drawn. Orientation 1 landscape, 0 portrait, 2 square.
    int NaturalWidth() const { return m_nNaturalWidth; }
    int NaturalHeight() const { return m_nNaturalHeight; }
    int NaturalOrientation() const { return m_nNaturalOrientation; }

    // Where the picture file is drawn in the current client area (empty when there is none).
    QRect PictureRect() const { return m_pictureRect; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintFile(class QPainter& painter);
    void PaintResource(class QPainter& painter);
    void PaintFrame(class QPainter& painter);
    void LoadScaledFile(const QRect& client);

    int m_nMode = ModeNothing;
    bool m_bFilePresent = false;
    QString m_strFile;
    QString m_strResource;
    int m_nResourceKind = PngResource;
    bool m_bFit = false;
    int m_nVerticalAlignment = 1;
    QColor m_crBackground = Qt::white;
    QColor m_crFrame = QColor(130, 135, 144);
    QString m_strText;
    bool m_bFrame = true;
    int m_nMargin = 0;
    bool m_bShadow = false;
    int m_nShadowDepth = 2;
    int m_nNaturalWidth = -1;
    int m_nNaturalHeight = -1;
    int m_nNaturalOrientation = -1;

    // Photos can be many megapixels: only the copy scaled for the box is kept between paints.
    QPixmap m_scaled;
    QString m_scaledFile;
    QRect m_scaledClient;
    QRect m_pictureRect;
};
