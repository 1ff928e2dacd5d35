// Stands in for the results page until it exists: a page with the mode's caption, the counts of
// what the scan found, and a Back button that returns to the analysis page's caller.
#pragma once

#include "pages/PageFlow.h"
#include "pages/wx/WizardPage.h"

class CHoverButton;
class CLabel;

class CResultsPagePlaceholder : public CWizardPage {
 public:
  CResultsPagePlaceholder();

  CHoverButton* m_BackButton = nullptr;
  CLabel* m_CountsLabel = nullptr;

 protected:
  void OnInitPage() override;
  void OnCloseBox() override;
};
