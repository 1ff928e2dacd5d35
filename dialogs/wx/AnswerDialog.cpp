#include "dialogs/wx/AnswerDialog.h"

#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

CAnswerDialog::CAnswerDialog(wxWindow* parent, bool stayOnTop, int heightDlu, int noAnswer)
    : CLookDialog(parent, 273, heightDlu, stayOnTop, /*enterResult=*/noAnswer,
                  /*escapeResult=*/noAnswer) {}

void CAnswerDialog::Build(const Layout& layout, int messageId, const char* message, int pictureId,
                          const char* pictureName, std::initializer_list<Button> buttons,
                          CHoverButton* const* focused) {
  const wxRect group = Dlu(layout.group.x, layout.group.y, layout.group.width, layout.group.height);
  m_GroupBox = new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect picture =
      Dlu(layout.picture.x, layout.picture.y, layout.picture.width, layout.picture.height);
  m_Picture =
      new wxStaticBitmap(this, pictureId, wxNullBitmap, picture.GetPosition(), picture.GetSize());
  const wxRect label = Dlu(layout.label.x, layout.label.y, layout.label.width, layout.label.height);
  m_MessageLabel = new CLabel(this, messageId, message, label.GetPosition(), label.GetSize());
  m_PictureName = pictureName;
  m_LargeDesktopException = layout.largeDesktopException;
  for (const Button& b : buttons) {
    const wxRect r = Dlu(214, b.y, 50, 14);
    *b.member = new CHoverButton(this, b.id, b.caption, r.GetPosition(), r.GetSize());
    const int answer = b.answer;
    (*b.member)->Bind(wxEVT_BUTTON, [this, answer](wxCommandEvent&) {
      if (IsModal()) EndModal(AnswerOf(answer));
    });
    m_Strips.push_back({*b.member, b.bitmap});
  }
  m_Focused = focused;
}

int CAnswerDialog::ShowModal() {
  m_DpiFactors =
      ApplyDialogLook(this, {.appWindow = true, .largeDesktopException = m_LargeDesktopException},
                      {m_MessageLabel});
  LoadPicture(m_Picture, m_PictureName);
  for (const Strip& s : m_Strips) s.button->LoadFrameStrip3(BitmapPath(g_BitmapFolder, s.bitmap));
  if (m_Focused && *m_Focused) (*m_Focused)->SetFocus();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}
