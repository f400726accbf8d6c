// The Registry Cleaner page: the section choice panel and the saving of
// each box's choice.
#include "mainwindow/registrycleanerpage.h"

#include "mainwindow/pictures.h"
#include "mainwindow/productname.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/twips.h"
#include "platform/settings.h"

#include <QCheckBox>

#include <algorithm>

namespace {

constexpr int kSectionBoxWidth = 195;
constexpr int kSectionBoxHeight = 225;

int boxValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

}  // namespace

RegistryCleanerPage::RegistryCleanerPage(RegistryCleanerPageFrame& frame, QWidget* parent)
    : PictureBox(parent), m_frame(frame)
{
    setObjectName(QStringLiteral("PicRegistryCleaner"));
    setAutoFillBackground(true);
    buildSectionPanel();
}

void RegistryCleanerPage::buildSectionPanel()
{
    Picture10 = makePage(this, QStringLiteral("Picture10"), twips::rect(90, 90, 3390, 5760));
    Picture10->setFrameShape(QFrame::StyledPanel);
    connect(Picture10, &PictureBox::mouseMoved, this, &RegistryCleanerPage::Picture10_MouseMove);
    makeLabel(Picture10, QStringLiteral("Label2"), QStringLiteral("Registry Sections"), twips::rect(195, 150, 3000, 300),
              true);

    using Handler = void (RegistryCleanerPage::*)();
    const Handler handlers[9] = {
        &RegistryCleanerPage::ChkChosseSettingsActiveXProgramID_Click, &RegistryCleanerPage::ChkChosseSettingsApplicationPaths_Click,
        &RegistryCleanerPage::ChkeFilePathsAndHistory_Click,           &RegistryCleanerPage::ChkFileTypes_Click,
        &RegistryCleanerPage::ChkChosseSettingsInstalledHelpFiles_Click, &RegistryCleanerPage::ChkChosseSettingsInstalledFiles_Click,
        &RegistryCleanerPage::ChkChosseSettingsSharedProgramFiles_Click, &RegistryCleanerPage::ChkStartupMenu_Click,
        &RegistryCleanerPage::ChkChosseSettingsStartupPrograms_Click,
    };
    for (int i = 0; i < 9; ++i) {
        const mainwindow::SectionView& view = mainwindow::kSectionViews[i];
        const int top = view.boxTop;
        auto* box = new SectionCheckBox(Picture10);
        box->setObjectName(QLatin1String(view.checkBox));
        // Never smaller than the style draws its box, or its edge is cut.
        const QSize indicator = box->sizeHint();
        box->setGeometry(twips::px(195), twips::px(top), std::max(twips::px(kSectionBoxWidth), indicator.width()),
                         std::max(twips::px(kSectionBoxHeight), indicator.height()));
        // A value set by code runs the handler too, as the stored choice relies on.
        connect(box, &QCheckBox::stateChanged, this, handlers[i]);
        sectionBoxes[i] = box;

        auto* icon = new QLabel(Picture10);
        icon->setObjectName(QStringLiteral("imgSection%1").arg(i + 1));
        icon->setPixmap(pictures::picture(QStringLiteral("Section%1").arg(view.icon)));
        // Icon and caption centred on the box's row.
        const int middle = box->geometry().center().y();
        icon->setGeometry(twips::px(510), middle - 11, 22, 22);
        makeLabel(Picture10, QStringLiteral("lblSection%1").arg(i + 1), QLatin1String(view.caption),
                  QRect(twips::px(900), middle - 10, twips::px(2400), 20));
    }
}

// --- the section choice ------------------------------------------------------------

bool RegistryCleanerPage::sectionChosen(int index) const
{
    return sectionBoxes[index]->checkState() == Qt::Checked;
}

bool RegistryCleanerPage::anySectionChosen() const
{
    for (int i = 0; i < 9; ++i) {
        if (sectionChosen(i))
            return true;
    }
    return false;
}

void RegistryCleanerPage::setSectionChoice(int index, int value)
{
    static const Qt::CheckState states[3] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    QCheckBox* box = sectionBoxes[index];
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(states[value]);
}

QString RegistryCleanerPage::sectionKey(int index) const
{
    return sectionBoxes[index]->objectName();
}

void RegistryCleanerPage::setSectionPanelEnabled(bool enabled)
{
    Picture10->setEnabled(enabled);
}

void RegistryCleanerPage::saveSectionChoice(int index)
{
    const QCheckBox* box = sectionBoxes[index];
    platform::SaveSetting(mainwindow::productName(), QStringLiteral("MySettings"), box->objectName(),
                          QString::number(boxValue(box)));
}

void RegistryCleanerPage::ChkChosseSettingsActiveXProgramID_Click() { saveSectionChoice(0); }
void RegistryCleanerPage::ChkChosseSettingsApplicationPaths_Click() { saveSectionChoice(1); }
void RegistryCleanerPage::ChkeFilePathsAndHistory_Click() { saveSectionChoice(2); }
void RegistryCleanerPage::ChkFileTypes_Click() { saveSectionChoice(3); }
void RegistryCleanerPage::ChkChosseSettingsInstalledHelpFiles_Click() { saveSectionChoice(4); }
void RegistryCleanerPage::ChkChosseSettingsInstalledFiles_Click() { saveSectionChoice(5); }
void RegistryCleanerPage::ChkChosseSettingsSharedProgramFiles_Click() { saveSectionChoice(6); }
void RegistryCleanerPage::ChkStartupMenu_Click() { saveSectionChoice(7); }
void RegistryCleanerPage::ChkChosseSettingsStartupPrograms_Click() { saveSectionChoice(8); }

void RegistryCleanerPage::Picture10_MouseMove()
{
    m_frame.setStatusText(1, QString());
}
