#include "app/ui/aboutdlg.h"

#include "controls/ui/labelst.h"
#include "controls/ui/linkctrl.h"
#include "controls/ui/picturest.h"
#include "settings/appinfo.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int FirstYear = 2006;
// PNG resource 137: the program's logo.
const char* const LogoResource = ":/res/137.png";

// The layout, in dialog units of the dialog's font.
constexpr QSize DialogSize(274, 134);
constexpr QRect LogoRect(7, 7, 85, 72);
constexpr QRect NameRect(99, 10, 168, 18);
constexpr QRect VersionRect(99, 30, 168, 13);
constexpr QRect LinkRect(99, 50, 168, 10);
constexpr QRect WarningRect(7, 86, 260, 24);
constexpr QRect OKRect(217, 113, 50, 14);

QFont DialogFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    return font;
}

QString ControlName(AboutId id)
{
    return QStringLiteral("id%1").arg(int(id));
}

} // namespace

CDLGAbout::CDLGAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(ControlName(AboutId::Dialog));
    setWindowTitle(tr("About..."));
    setFont(DialogFont());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setFixedSize(DialogUnitsToPixels(QRect(QPoint(0, 0), DialogSize)).size());

    m_pLogo = new CXPictureST(this);
    m_pLogo->setObjectName(ControlName(AboutId::Logo));
    m_pLogo->SetColors(Qt::white, Qt::white);
    m_pLogo->SetFrame(false);
    m_pLogo->SetResource(QString::fromLatin1(LogoResource), CXPictureST::PngResource);
    m_pLogo->SetFit(true);
    m_pLogo->SetMode(CXPictureST::ModeResource);
    m_pLogo->setGeometry(DialogUnitsToPixels(LogoRect));

    m_pName = new CXLabelST(this);
    m_pName->setObjectName(ControlName(AboutId::Name));
    m_pName->SetFont(QStringLiteral("Arial"), 20, QColor(0x32, 0x9A, 0xFF));
    m_pName->SetText(AppInfo::DisplayName());
    m_pName->setGeometry(DialogUnitsToPixels(NameRect));

    m_pVersion = new CXLabelST(this);
    m_pVersion->setObjectName(ControlName(AboutId::Version));
    m_pVersion->SetFont(QStringLiteral("Arial"), 14, QColor(0x35, 0x35, 0x35));
    m_pVersion->SetText(VersionLine(AppInfo::VersionPart(0), AppInfo::VersionPart(1), AppInfo::VersionPart(2),
                                    AppInfo::VersionPart(3)));
    m_pVersion->setGeometry(DialogUnitsToPixels(VersionRect));

    m_pLink = new CXLinkCtrl(this);
    m_pLink->setObjectName(ControlName(AboutId::Link));
    m_pLink->setText(NoticeLine(QDate::currentDate().year()));
    m_pLink->SetAddress(AppInfo::SiteUrl());
    m_pLink->setGeometry(DialogUnitsToPixels(LinkRect));
    m_pLink->SizeToContent();

    m_pWarning = new QLabel(WarningText(), this);
    m_pWarning->setObjectName(ControlName(AboutId::Warning));
    QFont small(QStringLiteral("Arial"));
    small.setPointSizeF(DialogFont().pointSizeF() - 2);
    m_pWarning->setFont(small);
    m_pWarning->setWordWrap(true);
    m_pWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pWarning->setGeometry(DialogUnitsToPixels(WarningRect));

    m_pOK = new QPushButton(tr("&OK"), this);
    m_pOK->setObjectName(QStringLiteral("IDOK"));
    m_pOK->setDefault(true);
    m_pOK->setGeometry(DialogUnitsToPixels(OKRect));
    connect(m_pOK, &QPushButton::clicked, this, &QDialog::accept);
    m_pOK->setFocus();
}

QString CDLGAbout::VersionLine(int nMajor, int nMinor, int nBuild, int nRevision)
{
    return QString::asprintf("Version %d.%d Build (%d.%d)", nMajor, nMinor, nBuild, nRevision);
}

QString CDLGAbout::YearsText(int nCurrentYear)
{
    if (nCurrentYear > FirstYear)
        return QString::number(FirstYear) + QLatin1Char('-') + QString::number(nCurrentYear);
    return QString::number(FirstYear);
}

QString CDLGAbout::NoticeLine(int nCurrentYear)
{
    return tr("\u00A9 %1 %2. All rights reserved.").arg(YearsText(nCurrentYear), AppInfo::MakerName());
}

QString CDLGAbout::WarningText()
{
    return tr("Warning: this program is protected by copyright law. Copying or distributing it, or any part of "
              "it, without the written permission of %1 is not allowed and may lead to civil and criminal penalties.")
        .arg(AppInfo::MakerName());
}

QRect CDLGAbout::DialogUnitsToPixels(const QRect& rectDlu) const
{
    // The base units of the dialog font: average letter width and line height.
    const QFontMetrics metrics(font());
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int bx = (letters / 26 + 1) / 2;
    const int by = metrics.height();
    return QRect(rectDlu.x() * bx / 4, rectDlu.y() * by / 8, rectDlu.width() * bx / 4, rectDlu.height() * by / 8);
}
