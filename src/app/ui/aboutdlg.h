#pragma once

#include <QDialog>

class CXLabelST;
class CXLinkCtrl;
class CXPictureST;
class QLabel;
class QPushButton;

// The dialog and its controls by number; each is named "id" + its number ("id1202").
enum class AboutId : int
{
    Dialog = 1201,
    Name = 1202,
    Version = 1203,
    Link = 1206,
    Logo = 1207,
    Warning = 1208,
};

// The About box: the program's logo, name and version, the maker's notice linking to the maker's site,
// and the legal warning. It changes nothing.
class CDLGAbout : public QDialog
{
    Q_OBJECT

public:
    explicit CDLGAbout(QWidget* parent = nullptr);

    // "Version 3.1 Build (204.7)" for 3.1.204.7.
    static QString VersionLine(int nMajor, int nMinor, int nBuild, int nRevision);
    // "2006", or "2006-" and the current year once that is later; "2006" when the clock cannot be read.
    static QString YearsText(int nCurrentYear);
    // The maker's name with the years.
    static QString NoticeLine(int nCurrentYear);
    static QString WarningText();

    // Dialog units of the dialog's own font to pixels, as the layout is given in them.
    QRect DialogUnitsToPixels(const QRect& rectDlu) const;

private:
    CXPictureST* m_pLogo = nullptr;
    CXLabelST* m_pName = nullptr;
    CXLabelST* m_pVersion = nullptr;
    CXLinkCtrl* m_pLink = nullptr;
    QLabel* m_pWarning = nullptr;
    QPushButton* m_pOK = nullptr;
};
