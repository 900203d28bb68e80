#include "controls/ui/picturest.h"

#include "controls/picturefit.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

CXPictureST::CXPictureST(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CXPictureST::SetMode(int mode)
{
    m_nMode = mode;
    update();
}

void CXPictureST::SetFile(const QString& path)
{
    m_strFile = path.trimmed();
    m_bFilePresent = !m_strFile.isEmpty() && QFileInfo(m_strFile).isFile();
    m_nNaturalWidth = m_nNaturalHeight = m_nNaturalOrientation = -1;
    m_scaled = QPixmap();
    m_scaledFile.clear();
    update();
}

void CXPictureST::ClearFile()
{
    SetFile(QString());
    m_nMode = ModeText;
    update();
}

bool CXPictureST::HasPicture() const
{
    return m_nMode == ModeFile && m_bFilePresent && QFileInfo(m_strFile).isFile();
}

void CXPictureST::SetResource(const QString& resourcePath, int kind)
{
    m_strResource = resourcePath;
    m_nResourceKind = kind;
    update();
}

void CXPictureST::SetFit(bool fit)
{
    m_bFit = fit;
    update();
}

void CXPictureST::SetVerticalAlignment(int alignment)
{
    m_nVerticalAlignment = alignment;
    update();
}

void CXPictureST::SetText(const QString& text)
{
    m_strText = text;
    update();
}

void CXPictureST::SetColors(const QColor& background, const QColor& frame)
{
    m_crBackground = background;
    m_crFrame = frame;
    update();
}

void CXPictureST::SetFrame(bool frame)
{
    m_bFrame = frame;
    update();
}

void CXPictureST::SetMargin(int margin)
{
    m_nMargin = qMax(0, margin);
    update();
}

void CXPictureST::SetShadow(bool shadow, int depth)
{
    m_bShadow = shadow;
    m_nShadowDepth = qMax(0, depth);
    update();
}

QSize CXPictureST::sizeHint() const
{
    return QSize(160, 110);
}

void CXPictureST::paintEvent(QPaintEvent*)
{
    // Qt paints widgets into a back buffer already, so there is no flicker to avoid by hand.
    QPainter painter(this);
    painter.fillRect(rect(), m_crBackground);
    m_pictureRect = QRect();
    switch (m_nMode) {
    case ModeResource:
        PaintResource(painter);
        PaintFrame(painter);
        break;
    case ModeFile:
        PaintFrame(painter);
        if (m_bFilePresent)
            PaintFile(painter);
        break;
    case ModeText: {
        PaintFrame(painter);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(12);
        font.setWeight(QFont::Normal);
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_strText);
        break;
    }
    default:
        PaintFrame(painter);
        break;
    }
}

void CXPictureST::PaintFrame(QPainter& painter)
{
    if (!m_bFrame)
        return;
    painter.setPen(QPen(m_crFrame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CXPictureST::LoadScaledFile(const QRect& client)
{
    m_scaledFile = m_strFile;
    m_scaledClient = client;
    m_scaled = QPixmap();

    QImageReader reader(m_strFile);
    reader.setAutoTransform(true);
    QSize natural = reader.size();
    if (!natural.isValid())
        return;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        natural.transpose();
    m_nNaturalWidth = natural.width();
    m_nNaturalHeight = natural.height();
    m_nNaturalOrientation = natural.height() < natural.width() ? 1 : (natural.width() < natural.height() ? 0 : 2);

    const QRect target = FitPictureRect(natural, client, m_nMargin);
    if (target.isEmpty())
        return;
    // Decoding straight at a reduced size keeps a 24-megapixel photo from costing 100 MB per box;
    // twice the target leaves the final smooth step something to work with.
    if (natural.width() > 2 * target.width()) {
        QSize decode = natural.scaled(target.size() * 2, Qt::KeepAspectRatio);
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            decode.transpose();
        reader.setScaledSize(decode);
    }
    QImage image = reader.read();
    if (image.isNull())
        return;
    m_scaled = QPixmap::fromImage(image.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void CXPictureST::PaintFile(QPainter& painter)
{
    const QRect client = rect();
    if (m_scaledFile != m_strFile || m_scaledClient != client)
        LoadScaledFile(client);
    if (m_nNaturalWidth <= 0 || m_nNaturalHeight <= 0)
        return;
    const QRect target = FitPictureRect(QSize(m_nNaturalWidth, m_nNaturalHeight), client, m_nMargin);
    if (target.isEmpty() || m_scaled.isNull())
        return;
    if (m_bShadow) {
        // Half brightness next to the picture, lightening towards white further out.
        for (int i = m_nShadowDepth; i >= 1; --i) {
            const int level = 128 + (127 * (i - 1)) / m_nShadowDepth;
            painter.fillRect(target.translated(i, i), QColor(level, level, level));
        }
    }
    painter.drawPixmap(target, m_scaled);
    m_pictureRect = target;
}

void CXPictureST::PaintResource(QPainter& painter)
{
    QImage picture(m_strResource);
    if (picture.isNull())
        return;
    QRect target;
    if (m_nResourceKind == BitmapResource) {
        target = QRect(QPoint(0, 0), picture.size());
        target.moveCenter(rect().center());
    } else {
        target = PlaceResourcePicture(picture.size(), rect(), m_bFit, m_nVerticalAlignment);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    if (target.size() != picture.size())
        picture = picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(target, picture);
}
