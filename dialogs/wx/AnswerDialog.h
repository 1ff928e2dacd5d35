// CAnswerDialog: the small questions the workers ask (a sector that cannot be read, a target
// file that exists, a file that cannot be written): a framed picture and text on the left and a
// column of hover buttons on the right, each ending the dialog with its answer. Esc, Enter outside
// a button and the close box end it with the dialog's "no answer" value.
#pragma once

#include <initializer_list>
#include <vector>

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class wxStaticBitmap;
class wxStaticBox;

class CAnswerDialog : public CLookDialog {
 public:
  // Applies the look and runs the modal loop; returns the clicked button's answer or the "no
  // answer" value.
  int ShowModal() override;
  int DoModal() { return ShowModal(); }

  DpiFactors m_DpiFactors;
  CLabel* m_MessageLabel = nullptr;
  wxStaticBitmap* m_Picture = nullptr;
  wxStaticBox* m_GroupBox = nullptr;

 protected:
  struct Button {
    CHoverButton** member;
    int id;
    const char* caption;
    const char* bitmap;  // its three-frame strip in the bitmap folder
    int y;               // top, in dialog units
    int answer;
  };
  struct Layout {
    wxRect group;    // dialog units
    wxRect picture;  // dialog units
    wxRect label;    // dialog units
    bool largeDesktopException = true;  // the DPI factors are 1 on a very large desktop
  };

  CAnswerDialog(wxWindow* parent, bool stayOnTop, int heightDlu, int noAnswer);
  // Builds the frame, the picture (pictureId, shown from pictureName), the text and the buttons;
  // *focused (one of the buttons' members, or nullptr) has the focus when the dialog shows.
  void Build(const Layout& layout, int messageId, const char* message, int pictureId,
             const char* pictureName, std::initializer_list<Button> buttons,
             CHoverButton* const* focused);
  // The answer a click on a button gives; by default the button's own.
  virtual int AnswerOf(int buttonAnswer) { return buttonAnswer; }

 private:
  struct Strip {
    CHoverButton* button;
    const char* bitmap;
  };
  const char* m_PictureName = nullptr;
  bool m_LargeDesktopException = true;
  std::vector<Strip> m_Strips;
  CHoverButton* const* m_Focused = nullptr;
};
