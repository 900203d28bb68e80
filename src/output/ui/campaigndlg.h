#pragma once

#include "output/campaign.h"

#include <QDialog>
#include <QList>
#include <QString>

class CAppSettings;
class CXThemeCatalogue;
class QComboBox;
class QLineEdit;
class QListWidget;

// Make Campaign: where the campaign's files go, the family they are drawn in and which of them to
// make. The folder and the ticked formats are remembered in the settings when the user confirms.
class CDLGCampaign : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDLGCampaign)

public:
    // family: the one selected at first (the open theme's).
    CDLGCampaign(QWidget* parent, CAppSettings& settings, const CXThemeCatalogue& themes, const QString& family);

    QString Folder() const;
    QString Family() const;
    QList<CampaignFormat> Formats() const;

    void accept() override;

private:
    // Each format says whether the family has a theme for it.
    void ShowFamilyFormats();
    void OnBrowse();

    CAppSettings& m_settings;
    const CXThemeCatalogue& m_themes;
    QComboBox* m_pFamily = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QListWidget* m_pFormats = nullptr;
};
