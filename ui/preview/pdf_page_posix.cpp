#include "ui/preview/pdf_page.h"

namespace tolzeb::ui {

// No PDF renderer is bound here: PDF entries say that the component is missing.
PdfRenderer platformPdfRenderer() { return {}; }

}  // namespace tolzeb::ui
