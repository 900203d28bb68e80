#pragma once

#include <QAbstractButton>
#include <QUrl>

// A hyperlink: its caption drawn in the desktop's link colour and an underlined font, with the hand
// cursor. A click, or Enter when it has the focus, opens prefix + address in the user's default handler.
class CXLinkCtrl : public QAbstractButton
{
    Q_OBJECT

public:
    enum Centre
    {
        CentreNone = 0,
        CentreHorizontal = 1,
        CentreVertical = 2,
        CentreBoth = 3
    };

    explicit CXLinkCtrl(QWidget* parent = nullptr);

    void SetAddress(const QString& strAddress, const QString& strPrefix = {});
    QString Address() const { return m_strAddress; }
    QString Prefix() const { return m_strPrefix; }
    // What a click opens.
    QUrl Target() const;
    bool IsVisited() const { return m_bVisited; }

    // Fits the control to its caption; nCentre keeps its old centre horizontally, vertically or both.
    void SizeToContent(int nCentre = CentreNone);

    QSize sizeHint() const override;

Q_SIGNALS:
    // After the target was handed to the desktop; bOpened false when no handler took it.
    void LinkOpened(const QUrl& target, bool bOpened);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void OpenLink();
    QFont LinkFont() const;

    QString m_strAddress;
    QString m_strPrefix;
    bool m_bVisited = false;
};
