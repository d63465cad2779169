// Every stand-in class, listed explicitly so that linking the static
// library keeps them all.
#include "dv/standins/distiller.h"
#include "dv/standins/viewer_annotations.h"
#include "dv/standins/form_fields.h"
#include "dv/standins/viewer_app.h"
#include "dv/standins/viewer_images.h"
#include "dv/standins/standin.h"
#include "dv/standins/viewer_document.h"
#include "dv/vb.h"
#include "word/composing.h"
#include "access/access_standin.h"
#include "excel/excel_standin.h"
#include "word/word_standin.h"

namespace dv::standins {

std::vector<const ClassDef*> allClasses() {
  return {&pdfDistillerClass(), &pdfDistiller6Class(), &pdDocClass(), &jsDocClass(), &jsAppClass(), &acroAppClass(),
          &pdfMakerAddInClass(), &acroAVDocClass(), &acroAVPageViewClass(), &acroPDBookmarkClass(), &jsBookmarkClass(),
          &acroPDPageClass(), &acroPointClass(), &jsColorClass(), &jsAnnotClass(), &jsAnnotPropsClass(),
          // The form fields of a document and the objects they hand out.
          &jsFieldClass(), &jsSecurityClass(), &jsSecurityHandlerClass(), &jsSignatureInfoClass(),
          // Word: the application and every object it hands out.
          &word::applicationClass(), &word::documentsClass(), &word::documentClass(), &word::pageSetupClass(),
          &word::sectionsClass(), &word::sectionClass(), &word::headersFootersClass(), &word::headerFooterClass(),
          &word::pageNumbersClass(), &word::pageNumberClass(),
          // Word's objects of a composed document.
          &word::rangeClass(), &word::fontClass(), &word::textRangeClass(), &word::textFontClass(),
          &word::paragraphsClass(), &word::paragraphClass(), &word::paragraphFormatClass(), &word::bookmarksClass(),
          &word::bookmarkClass(), &word::findClass(), &word::replacementClass(), &word::shapesClass(),
          &word::shapeClass(),
          // Excel.
          &excel::applicationClass(), &excel::workbooksClass(), &excel::workbookClass(), &excel::sheetsClass(),
          &excel::worksheetClass(), &excel::pageSetupClass(), &excel::rangeClass(),
          // Access.
          &access::applicationClass(), &access::printersClass(), &access::printerClass(), &access::doCmdClass()};
}

const ClassDef* findClassByProgId(std::string_view progId) {
  for (const ClassDef* c : allClasses())
    for (const auto& p : c->progIds())
      if (vb::compareText(p, progId) == 0 && p.size() == progId.size()) return c;
  return nullptr;
}

}  // namespace dv::standins
