#pragma once

#include <QComboBox>

// The label of a profile phone number ("Office", "Mobile" ...). Each entry carries the value stored in
// the settings, which the template merge turns back into the label.
class CXPhoneLabelCB : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXPhoneLabelCB)

public:
    explicit CXPhoneLabelCB(QWidget* parent = nullptr);

    // Empties the list and adds the six labels with their values 0-5.
    void Fill();
    // Selects the first entry carrying the value; false (and no change) when none does.
    bool SelectByItemData(int value);
    // The value of the selected entry, or -1 when nothing is selected.
    int SelectedItemData() const;
};
