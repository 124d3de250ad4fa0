// Headless forms: the state kept by the form objects is all there is.
#include "platform/Forms.h"

namespace ui::native {

void CreateWindowFor(TForm&) {}
void DestroyWindowOf(TForm&) {}
void ShowForm(TForm&, bool) {}
void UpdateCaption(TForm&) {}
void UpdateCaption(TControl&) {}
void UpdateVisible(TControl&) {}
void UpdatePicture(TImage&) {}

}  // namespace ui::native
