#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// A one-line coloured label drawn by the program itself, so that colour and font do not depend on the
// desktop style.
class CXLabelST : public QWidget
{
    Q_OBJECT

public:
    enum Alignment
    {
        AlignLeft = 0,
        AlignCenter = 1,
        AlignRight = 2
    };

    explicit CXLabelST(QWidget* parent = nullptr);

    // A bold font of that face and pixel height (the widget's current font when strFace is empty), the text
    // colour, white background, frame colour RGB(137, 140, 149) and no frame.
    void SetFont(const QString& strFace, int nHeight, const QColor& crText);
    void SetText(const QString& strText);
    QString Text() const { return m_strText; }
    void SetAlignment(int nAlign);
    int GetAlignment() const { return m_nAlign; }
    void SetColors(const QColor& crText, const QColor& crBack, const QColor& crFrame);
    void SetFrame(bool bFrame);

    QColor TextColor() const { return m_crText; }
    QColor BackColor() const { return m_crBack; }
    QColor FrameColor() const { return m_crFrame; }
    bool HasFrame() const { return m_bFrame; }
    QFont LabelFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static Qt::Alignment TextFlags(int nAlign);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strText;
    QFont m_font;
    bool m_bOwnFont = false;
    QColor m_crText = QColor(50, 153, 255);
    QColor m_crBack = Qt::white;
    QColor m_crFrame = QColor(137, 140, 149);
    bool m_bFrame = false;
    int m_nAlign = AlignLeft;
};
