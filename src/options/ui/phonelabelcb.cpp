#include "options/ui/phonelabelcb.h"

#include "compose/templatemerge.h"

CXPhoneLabelCB::CXPhoneLabelCB(QWidget* parent) : QComboBox(parent) {}

void CXPhoneLabelCB::Fill()
{
    clear();
    // The merge maps a stored value back through the same table, so the two can never disagree.
    const QStringList labels = PhoneLabels();
    for (int i = 0; i < labels.size(); ++i)
        addItem(labels.at(i), i);
}

bool CXPhoneLabelCB::SelectByItemData(int value)
{
    const int index = findData(value);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

int CXPhoneLabelCB::SelectedItemData() const
{
    const int index = currentIndex();
    return index < 0 ? -1 : itemData(index).toInt();
}
