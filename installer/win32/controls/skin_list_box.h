// CSkinListBox: an owner-drawn list box (variable row height) whose rows carry an image from
// an image list, drawn left of the text. Rows can be disabled: they draw grey and swallow
// double-clicks. Highlight mode 0: the selection colours the whole row, image area included.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/win32/framework/control.h"

namespace qid::installer::skin {

class CSkinListBox : public fw::Control {
 public:
  ~CSkinListBox() override;

  // The list does not own the image list.
  void SetImageList(HIMAGELIST images);
  // Appends a row; its index, or -1 (LB_ERR) when the list refused it.
  int AddString(const std::wstring& text, int image);
  void EnableRow(int row, bool enabled);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  struct Row {
    int image = -1;
    UINT extra_format = 0;
    bool enabled = true;
  };
  const Row* RowAt(int index) const;

  HIMAGELIST images_ = nullptr;
  int image_width_ = 0;
  int image_height_ = 0;
  std::vector<std::unique_ptr<Row>> rows_;
};

}  // namespace qid::installer::skin
