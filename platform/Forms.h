#pragma once
// The small form layer: windows with fixed layouts of controls. The state of
// every control lives in these objects, in both builds; the Win32 build
// mirrors it onto real windows, the stand-in keeps it headless for tests.
#include <memory>
#include <string>
#include <vector>

#include "platform/JpegImage.h"
#include "platform/Win.h"

namespace ui {

struct TRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

enum class TControlKind { Label, Image };

class TForm;

class TControl {
 public:
  TControl(TForm& form, TControlKind kind, TRect bounds);
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  virtual ~TControl();

  TControlKind Kind() const { return kind_; }
  const TRect& Bounds() const { return bounds_; }
  TForm& Form() const { return form_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // The native window, NO_WINDOW until the form's window exists (always, on
  // the stand-in).
  os::HWND Handle = os::NO_WINDOW;

 private:
  TForm& form_;
  TControlKind kind_;
  TRect bounds_;
  std::string caption_;
  bool visible_ = true;
};

// Static text; a lone CR starts a new line, long lines wrap.
class TLabel : public TControl {
 public:
  TLabel(TForm& form, TRect bounds) : TControl(form, TControlKind::Label, bounds) {}
};

// A picture shown at its natural size.
class TImage : public TControl {
 public:
  TImage(TForm& form, TRect bounds) : TControl(form, TControlKind::Image, bounds) {}
  const os::TBitmap& Picture() const { return picture_; }
  void SetPicture(os::TBitmap picture);

 private:
  os::TBitmap picture_;
};

enum class TPosition { ScreenCenter, Designed };

class TForm {
 public:
  TForm(int clientWidth, int clientHeight);
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  virtual ~TForm();

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  TPosition Position = TPosition::ScreenCenter;
  int DesignedLeft = 0;
  int DesignedTop = 0;

  void Show();
  void Hide();
  bool Visible() const { return visible_; }

  // Controls in keyboard order.
  const std::vector<TControl*>& Controls() const { return controls_; }

  os::HWND Handle = os::NO_WINDOW;

 private:
  friend class TControl;
  std::string caption_;
  int clientWidth_;
  int clientHeight_;
  bool visible_ = false;
  std::vector<TControl*> controls_;
};

// What the platform does with the state above. The Win32 build creates and
// updates real windows; the stand-in does nothing, its state is the object's.
namespace native {
void CreateWindowFor(TForm& form);
void DestroyWindowOf(TForm& form);
void ShowForm(TForm& form, bool visible);
void UpdateCaption(TForm& form);
void UpdateCaption(TControl& control);
void UpdateVisible(TControl& control);
void UpdatePicture(TImage& image);
}  // namespace native

}  // namespace ui
