// Stands in for the source page until it exists: a page with the mode's caption and a Back
// button that only returns. RunSourcePage is what the mode buttons call; it will run the real
// source page instead.
#pragma once

#include "pages/PageFlow.h"
#include "pages/wx/WizardPage.h"

class CHoverButton;
class CLabel;

class CSourcePagePlaceholder : public CWizardPage {
 public:
  CSourcePagePlaceholder();

  CHoverButton* m_BackButton = nullptr;
  CLabel* m_ModeLabel = nullptr;

 protected:
  void OnInitPage() override;
  void OnCancel() override;
  void OnHelp() override;
};
