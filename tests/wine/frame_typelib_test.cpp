// The type library embedded in Docvane.dll, read back the way clients read
// it (LoadTypeLib + ITypeInfo): every public enumeration with its constants
// in storage order, the classes and their flags, the event interface.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "frame_wine_common.h"

namespace {

using dv::win32::Bstr;
using dv::win32::FuncDesc;
using dv::win32::ScopedVariant;
using dv::win32::TypeAttr;

struct Constant {
  const char* name;
  long value;
};
struct Enumeration {
  const char* name;
  std::vector<Constant> constants;
};

// The reference. TableColorType, ChartType, TableType and PageSizeType carry
// the values of Word's WdColor, Excel/Graph's XlChartType, Word's
// WdTableFormat and WdPaperSize constants of the same endings (checked one
// by one against those Office constants: WdColor values are BGR numbers,
// wdColorAutomatic is &HFF000000, the grey shades are equal components);
// the four and AnimationType are stored alphabetically.
const std::vector<Enumeration> kEnumerations = {
    {"ZoomType",
     {{"dvnNoVary", 0},
      {"dvnFitPage", 1},
      {"dvnFitWidth", 2},
      {"dvnFitHeight", 3},
      {"dvnFitVisibleWidth", 4},
      {"dvnPreferred", 5},
      {"dvnReflowWidth", 6}}},
    {"ReadType", {{"dvnReadNone", 0}, {"dvnReadCurrentPage", 1}, {"dvnReadDocument", 2}}},
    {"SortType", {{"dvnSortNone", 0}, {"dvnSortByName", 1}, {"dvnSortBySize", 2}, {"dvnSortByDate", 3}}},
    {"SortOrderType", {{"dvnSortOrderAscending", 0}, {"dvnSortOrderDescending", 1}}},
    {"VersionType",
     {{"dvnVersion4", 0}, {"dvnVersion5", 1}, {"dvnVersion6", 2}, {"dvnVersion7", 3}, {"dvnVersion8", 4}}},
    {"ColorType",
     {{"dvnTransparent", 0},
      {"dvnBlack", 1},
      {"dvnWhite", 2},
      {"dvnRed", 3},
      {"dvnGreen", 4},
      {"dvnBlue", 5},
      {"dvnCyan", 6},
      {"dvnMagenta", 7},
      {"dvnYellow", 8},
      {"dvnDarkGray", 9},
      {"dvnGray", 10},
      {"dvnLightGray", 11}}},
    {"LayoutType",
     {{"dvnSinglePage", 0},
      {"dvnOneColumn", 1},
      {"dvnTwoColumnLeft", 2},
      {"dvnTwoColumnRight", 3},
      {"dvnTwoPageLeft", 4},
      {"dvnTwoPageRight", 5}}},
    {"SaveType", {{"dvnSaveChangesOnly", 0}, {"dvnSaveEntireFile", 1}}},
    {"PDFFileType",
     {{"dvnPDF", 0},
      {"dvnEPS", 1},
      {"dvnHTML3", 2},
      {"dvnHTML4", 3},
      {"dvnJPEG", 4},
      {"dvnJPEG2000", 5},
      {"dvnDOC", 6},
      {"dvnPNG", 7},
      {"dvnPS", 8},
      {"dvnRTF", 9},
      {"dvnTXT", 10},
      {"dvnTXTplain", 11},
      {"dvnTIFF", 12},
      {"dvnXML", 13},
      {"dvnXDP", 14}}},
    {"LockType", {{"dvnAll", 0}, {"dvnInclude", 1}, {"dvnExclude", 2}}},
    {"PageViewStyle",
     {{"dvnPageViewNoChange", 0},
      {"dvnPageViewNoBookmarksOrThumbnails", 1},
      {"dvnPageViewThumbnails", 2},
      {"dvnPageViewBookmarks", 3},
      {"dvnPageViewFullScreen", 4}}},
    {"PageTriggerType", {{"dvnPageOpen", 0}, {"dvnPageClose", 1}}},
    {"PageTabOrderType", {{"dvnRows", 0}, {"dvnColumns", 1}, {"dvnStructure", 2}}},
    {"DocumentTriggerType",
     {{"dvnWillClose", 0}, {"dvnWillSave", 1}, {"dvnDidSave", 2}, {"dvnWillPrint", 3}, {"dvnDidPrint", 4}}},
    {"PageNumberStyleType",
     {{"dvnDecimalNumber", 0},
      {"dvnRomanNumeralUpperCase", 1},
      {"dvnRomanNumeralLowerCase", 2},
      {"dvnAlphaNumericUpperCase", 3},
      {"dvnAlphaNumericLowerCase", 4},
      {"dvnNoNumber", 5}}},
    {"StampIconType",
     {{"dvnStampIconApproved", 0},
      {"dvnStampIconAsIs", 1},
      {"dvnStampIconConfidential", 2},
      {"dvnStampIconDepartmental", 3},
      {"dvnStampIconDraft", 4},
      {"dvnStampIconExperimental", 5},
      {"dvnStampIconExpired", 6},
      {"dvnStampIconFinal", 7},
      {"dvnStampIconForComment", 8},
      {"dvnStampIconForPublicRelease", 9},
      {"dvnStampIconNotApproved", 10},
      {"dvnStampIconNotForPublicRelease", 11},
      {"dvnStampIconSold", 12},
      {"dvnStampIconTopSecret", 13}}},
    {"NoteStateType",
     {{"dvnNoteStateNone", 0},
      {"dvnNoteStateAccepted", 1},
      {"dvnNoteStateRejected", 2},
      {"dvnNoteStateCancelled", 3},
      {"dvnNoteStateCompleted", 4}}},
    {"BookmarkStyleType",
     {{"dvnBookmarkNormal", 0}, {"dvnBookmarkItalic", 1}, {"dvnBookmarkBold", 2}, {"dvnBookmarkBoldItalic", 3}}},
    {"NoteIconType",
     {{"dvnNoteIconCheck", 0},
      {"dvnNoteIconCircle", 1},
      {"dvnNoteIconComment", 2},
      {"dvnNoteIconCross", 3},
      {"dvnNoteIconHelp", 4},
      {"dvnNoteIconInsert", 5},
      {"dvnNoteIconKey", 6},
      {"dvnNoteIconNewParagraph", 7},
      {"dvnNoteIconNote", 8},
      {"dvnNoteIconParagraph", 9},
      {"dvnNoteIconRightArrow", 10},
      {"dvnNoteIconRightPointer", 11},
      {"dvnNoteIconStar", 12},
      {"dvnNoteIconUpArrow", 13},
      {"dvnNoteIconUpLeftArrow", 14}}},
    {"FontType",
     {{"dvnTimesRoman", 0},
      {"dvnTimesBold", 1},
      {"dvnTimesItalic", 2},
      {"dvnTimesBoldItalic", 3},
      {"dvnHelvetica", 4},
      {"dvnHelveticaBold", 5},
      {"dvnHelveticaOblique", 6},
      {"dvnHelveticaBoldOblique", 7},
      {"dvnCourier", 8},
      {"dvnCourierBold", 9},
      {"dvnCourierOblique", 10},
      {"dvnCourierBoldOblique", 11},
      {"dvnSymbol", 12},
      {"dvnZapfDingbats", 13}}},
    {"AlignType", {{"dvnAlignLeft", 0}, {"dvnAlignCenter", 1}, {"dvnAlignRight", 2}}},
    {"FieldDisplayType",
     {{"dvnFieldDisplayVisible", 0},
      {"dvnFieldDisplayHidden", 1},
      {"dvnFieldDisplayNoPrint", 2},
      {"dvnFieldDisplayNoView", 3}}},
    {"FieldLineWidthType",
     {{"dvnFieldLineWidthNone", 0},
      {"dvnFieldLineWidthThin", 1},
      {"dvnFieldLineWidthMedium", 2},
      {"dvnFieldLineWidthThick", 3}}},
    {"FieldBorderType",
     {{"dvnFieldBorderSolid", 0},
      {"dvnFieldBorderBeveled", 1},
      {"dvnFieldBorderDashed", 2},
      {"dvnFieldBorderInset", 3},
      {"dvnFieldBorderUnderline", 4}}},
    {"FieldTriggerType",
     {{"dvnMouseUp", 0},
      {"dvnMouseDown", 1},
      {"dvnMouseEnter", 2},
      {"dvnMouseExit", 3},
      {"dvnOnFocus", 4},
      {"dvnOnBlur", 5},
      {"dvnKeystroke", 6},
      {"dvnValidate", 7},
      {"dvnCalculate", 8},
      {"dvnFormat", 9},
      {"dvnNone", 10}}},
    {"RotationType", {{"dvn__0", 0}, {"dvn_90", 90}, {"dvn180", 180}, {"dvn270", 270}}},
    {"GlyphStyleType",
     {{"dvnCheck", 0}, {"dvnCross", 1}, {"dvnDiamond", 2}, {"dvnCircle", 3}, {"dvnStar", 4}, {"dvnSquare", 5}}},
    {"ButtonFaceType", {{"dvnNormalCaption", 0}, {"dvnDownCaption", 1}, {"dvnRolloverCaption", 2}}},
    {"ButtonPositionType",
     {{"dvnTextOnly", 0},
      {"dvnIconOnly", 1},
      {"dvnIconTextV", 2},
      {"dvnTextIconV", 3},
      {"dvnIconTextH", 4},
      {"dvnTextIconH", 5},
      {"dvnOverlay", 6}}},
    {"ButtonScaleHowType", {{"dvnProportionally", 0}, {"dvnNonProportionally", 1}}},
    {"ButtonScaleWhenType", {{"dvnAlways", 0}, {"dvnNever", 1}, {"dvnIfIconIsTooBig", 2}, {"dvnIfIconIsToSmall", 3}}},
    {"DisplayType", {{"dvnVisible", 0}, {"dvnHidden", 1}, {"dvnNoPrint", 2}, {"dvnNoView", 3}}},
    {"LineWidthType", {{"dvnNone", 0}, {"dvnThin", 1}, {"dvnMedium", 2}, {"dvnThick", 3}}},
    {"AlignmentType", {{"dvnLeft", 0}, {"dvnCenter", 1}, {"dvnRight", 2}}},
    {"BorderStyleType", {{"dvnSolid", 0}, {"dvnBeveled", 1}, {"dvnDashed", 2}, {"dvnInset", 3}, {"dvnUnderline", 4}}},
    {"HighlightType", {{"dvnNoHighlight", 0}, {"dvnInvert", 1}, {"dvnPush", 2}, {"dvnOutline", 3}}},
    {"ArraySortType", {{"dvnAscending", 0}, {"dvnDescending", 1}}},
    {"TextJustifyType", {{"dvnTextLeft", 0}, {"dvnTextCenter", 1}, {"dvnTextRight", 2}}},
    {"AnimationType",
     {{"dvnAnimationBlinkingBackground", 2},
      {"dvnAnimationLasVegasLights", 1},
      {"dvnAnimationMarchingBlackAnts", 4},
      {"dvnAnimationMarchingRedAnts", 5},
      {"dvnAnimationNone", 0},
      {"dvnAnimationShimmer", 6},
      {"dvnAnimationSparkleText", 3}}},
    {"TableColorType",
     {{"dvnColorAqua", 13421619},
      {"dvnColorAutomatic", -16777216},
      {"dvnColorBlack", 0},
      {"dvnColorBlue", 16711680},
      {"dvnColorBlueGray", 10053222},
      {"dvnColorBrightGreen", 65280},
      {"dvnColorBrown", 13209},
      {"dvnColorDarkBlue", 8388608},
      {"dvnColorDarkGreen", 13056},
      {"dvnColorDarkRed", 128},
      {"dvnColorDarkTeal", 6697728},
      {"dvnColorDarkYellow", 32896},
      {"dvnColorGold", 52479},
      {"dvnColorGray05", 15987699},
      {"dvnColorGray10", 15132390},
      {"dvnColorGray125", 14737632},
      {"dvnColorGray15", 14277081},
      {"dvnColorGray20", 13421772},
      {"dvnColorGray25", 12632256},
      {"dvnColorGray30", 11776947},
      {"dvnColorGray35", 10921638},
      {"dvnColorGray375", 10526880},
      {"dvnColorGray40", 10066329},
      {"dvnColorGray45", 9211020},
      {"dvnColorGray50", 8421504},
      {"dvnColorGray55", 7566195},
      {"dvnColorGray60", 6710886},
      {"dvnColorGray625", 6316128},
      {"dvnColorGray65", 5855577},
      {"dvnColorGray70", 5000268},
      {"dvnColorGray75", 4210752},
      {"dvnColorGray80", 3355443},
      {"dvnColorGray85", 2500134},
      {"dvnColorGray875", 2105376},
      {"dvnColorGray90", 1644825},
      {"dvnColorGray95", 789516},
      {"dvnColorGreen", 32768},
      {"dvnColorIndigo", 10040115},
      {"dvnColorLavender", 16751052},
      {"dvnColorLightBlue", 16737843},
      {"dvnColorLightGreen", 13434828},
      {"dvnColorLightOrange", 39423},
      {"dvnColorLightTurquoise", 16777164},
      {"dvnColorLightYellow", 10092543},
      {"dvnColorLime", 52377},
      {"dvnColorOliveGreen", 13107},
      {"dvnColorOrange", 26367},
      {"dvnColorPaleBlue", 16764057},
      {"dvnColorPink", 16711935},
      {"dvnColorPlum", 6697881},
      {"dvnColorRed", 255},
      {"dvnColorRose", 13408767},
      {"dvnColorSeaGreen", 6723891},
      {"dvnColorSkyBlue", 16763904},
      {"dvnColorTan", 10079487},
      {"dvnColorTeal", 8421376},
      {"dvnColorTurquoise", 16776960},
      {"dvnColorViolet", 8388736},
      {"dvnColorWhite", 16777215},
      {"dvnColorYellow", 65535}}},
    {"TextStyleType",
     {{"dvnTextNormal", 0},
      {"dvnTextBold", 1},
      {"dvnTextItalic", 2},
      {"dvnTextUnderline", 3},
      {"dvnTextBoldUnderline", 4},
      {"dvnTextBoldItalic", 5},
      {"dvnTextItalicUnderline", 6},
      {"dvnTextBoldItalicUnderline", 7},
      {"dvnTextStrikethrough", 8},
      {"dvnTextStrikethroughBold", 9},
      {"dvnTextStrikethroughBoldItalic", 10}}},
    {"PageNoAlignmentType",
     {{"dvnPageLeft", 0}, {"dvnPageCenter", 1}, {"dvnPageRight", 2}, {"dvnPageInside", 3}, {"dvnPageOutside", 4}}},
    {"ChartType",
     {{"dvn3DArea", -4098},
      {"dvn3DAreaStacked", 78},
      {"dvn3DAreaStacked100", 79},
      {"dvn3DBarClustered", 60},
      {"dvn3DBarStacked", 61},
      {"dvn3DBarStacked100", 62},
      {"dvn3DColumn", -4100},
      {"dvn3DColumnClustered", 54},
      {"dvn3DColumnStacked", 55},
      {"dvn3DColumnStacked100", 56},
      {"dvn3DLine", -4101},
      {"dvn3DPie", -4102},
      {"dvn3DPieExploded", 70},
      {"dvnArea", 1},
      {"dvnAreaStacked", 76},
      {"dvnAreaStacked100", 77},
      {"dvnBarClustered", 57},
      {"dvnBarOfPie", 71},
      {"dvnBarStacked", 58},
      {"dvnBarStacked100", 59},
      {"dvnBubble", 15},
      {"dvnBubble3DEffect", 87},
      {"dvnColumnClustered", 51},
      {"dvnColumnStacked", 52},
      {"dvnColumnStacked100", 53},
      {"dvnConeBarClustered", 102},
      {"dvnConeBarStacked", 103},
      {"dvnConeBarStacked100", 104},
      {"dvnConeCol", 105},
      {"dvnConeColClustered", 99},
      {"dvnConeColStacked", 100},
      {"dvnConeColStacked100", 101},
      {"dvnCylinderBarClustered", 95},
      {"dvnCylinderBarStacked", 96},
      {"dvnCylinderBarStacked100", 97},
      {"dvnCylinderCol", 98},
      {"dvnCylinderColClustered", 92},
      {"dvnCylinderColStacked", 93},
      {"dvnCylinderColStacked100", 94},
      {"dvnDoughnut", -4120},
      {"dvnDoughnutExploded", 80},
      {"dvnLine", 4},
      {"dvnLineMarkers", 65},
      {"dvnLineMarkersStacked", 66},
      {"dvnLineMarkersStacked100", 67},
      {"dvnLineStacked", 63},
      {"dvnLineStacked100", 64},
      {"dvnPie", 5},
      {"dvnPieExploded", 69},
      {"dvnPieOfPie", 68},
      {"dvnPyramidBarClustered", 109},
      {"dvnPyramidBarStacked", 110},
      {"dvnPyramidBarStacked100", 111},
      {"dvnPyramidCol", 112},
      {"dvnPyramidColClustered", 106},
      {"dvnPyramidColStacked", 107},
      {"dvnPyramidColStacked100", 108},
      {"dvnRadar", -4151},
      {"dvnRadarFilled", 82},
      {"dvnRadarMarkers", 81},
      {"dvnStockHLC", 88},
      {"dvnStockOHLC", 89},
      {"dvnStockVHLC", 90},
      {"dvnStockVOHLC", 91},
      {"dvnSurface", 83},
      {"dvnSurfaceTopView", 85},
      {"dvnSurfaceTopViewWireframe", 86},
      {"dvnSurfaceWireframe", 84},
      {"dvnXYScatter", -4169},
      {"dvnXYScatterLines", 74},
      {"dvnXYScatterLinesNoMarkers", 75},
      {"dvnXYScatterSmooth", 72},
      {"dvnXYScatterSmoothNoMarkers", 73}}},
    {"TableType",
     {{"dvnTableFormat3DEffects1", 32},   {"dvnTableFormat3DEffects2", 33},   {"dvnTableFormat3DEffects3", 34},
      {"dvnTableFormatClassic1", 4},      {"dvnTableFormatClassic2", 5},      {"dvnTableFormatClassic3", 6},
      {"dvnTableFormatClassic4", 7},      {"dvnTableFormatColorful1", 8},     {"dvnTableFormatColorful2", 9},
      {"dvnTableFormatColorful3", 10},    {"dvnTableFormatColumns1", 11},     {"dvnTableFormatColumns2", 12},
      {"dvnTableFormatColumns3", 13},     {"dvnTableFormatColumns4", 14},     {"dvnTableFormatColumns5", 15},
      {"dvnTableFormatContemporary", 35}, {"dvnTableFormatElegant", 36},      {"dvnTableFormatGrid1", 16},
      {"dvnTableFormatGrid2", 17},        {"dvnTableFormatGrid3", 18},        {"dvnTableFormatGrid4", 19},
      {"dvnTableFormatGrid5", 20},        {"dvnTableFormatGrid6", 21},        {"dvnTableFormatGrid7", 22},
      {"dvnTableFormatGrid8", 23},        {"dvnTableFormatList1", 24},        {"dvnTableFormatList2", 25},
      {"dvnTableFormatList3", 26},        {"dvnTableFormatList4", 27},        {"dvnTableFormatList5", 28},
      {"dvnTableFormatList6", 29},        {"dvnTableFormatList7", 30},        {"dvnTableFormatList8", 31},
      {"dvnTableFormatNone", 0},          {"dvnTableFormatProfessional", 37}, {"dvnTableFormatSimple1", 1},
      {"dvnTableFormatSimple2", 2},       {"dvnTableFormatSimple3", 3},       {"dvnTableFormatSubtle1", 38},
      {"dvnTableFormatSubtle2", 39},      {"dvnTableFormatWeb1", 40},         {"dvnTableFormatWeb2", 41},
      {"dvnTableFormatWeb3", 42}}},
    {"ParagraphAlignType",
     {{"dvnAlignParagraphLeft", 0}, {"dvnAlignParagraphCenter", 1}, {"dvnAlignParagraphRight", 2}}},
    {"PageSizeType",
     {{"dvnwdPaper10x14", 0},
      {"dvnPaper11x17", 1},
      {"dvnPaperA3", 6},
      {"dvnPaperA4", 7},
      {"dvnPaperA4Small", 8},
      {"dvnPaperA5", 9},
      {"dvnPaperB4", 10},
      {"dvnPaperB5", 11},
      {"dvnPaperCSheet", 12},
      {"dvnPaperCustom", 41},
      {"dvnPaperDSheet", 13},
      {"dvnPaperEnvelope10", 25},
      {"dvnPaperEnvelope11", 26},
      {"dvnPaperEnvelope12", 27},
      {"dvnPaperEnvelope14", 28},
      {"dvnPaperEnvelope9", 24},
      {"dvnPaperEnvelopeB4", 29},
      {"dvnPaperEnvelopeB5", 30},
      {"dvnPaperEnvelopeB6", 31},
      {"dvnPaperEnvelopeC3", 32},
      {"dvnPaperEnvelopeC4", 33},
      {"dvnPaperEnvelopeC5", 34},
      {"dvnPaperEnvelopeC6", 35},
      {"dvnPaperEnvelopeC65", 36},
      {"dvnPaperEnvelopeDL", 37},
      {"dvnPaperEnvelopeItaly", 38},
      {"dvnPaperEnvelopeMonarch", 39},
      {"dvnPaperEnvelopePersonal", 40},
      {"dvnPaperESheet", 14},
      {"dvnPaperExecutive", 5},
      {"dvnPaperFanfoldLegalGerman", 15},
      {"dvnPaperFanfoldStdGerman", 16},
      {"dvnPaperFanfoldUS", 17},
      {"dvnPaperFolio", 18},
      {"dvnPaperLedger", 19},
      {"dvnPaperLegal", 4},
      {"dvnPaperLetter", 2},
      {"dvnPaperLetterSmall", 3},
      {"dvnPaperNote", 20},
      {"dvnPaperQuarto", 21},
      {"dvnPaperStatement", 22},
      {"dvnPaperTabloid", 23}}},
};

class TypeLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(LoadTypeLibEx(dvtest::docvanePath().c_str(), REGKIND_NONE, lib.put())));
  }
  dvtest::ComPtr<ITypeLib> lib;

  dvtest::ComPtr<ITypeInfo> byName(const wchar_t* name) {
    UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      Bstr n;
      lib->GetDocumentation(static_cast<INT>(i), n.put(), nullptr, nullptr, nullptr);
      if (n.get() && wcscmp(n.get(), name) == 0) {
        dvtest::ComPtr<ITypeInfo> info;
        lib->GetTypeInfo(i, info.put());
        return info;
      }
    }
    return {};
  }
};

TEST_F(TypeLibraryTest, EnumerationsMatchTheReferenceInOrderAndValue) {
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, long>>>> found;
  UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    TYPEKIND kind;
    lib->GetTypeInfoType(i, &kind);
    if (kind != TKIND_ENUM) continue;
    dvtest::ComPtr<ITypeInfo> info;
    ASSERT_TRUE(SUCCEEDED(lib->GetTypeInfo(i, info.put())));
    Bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    std::vector<std::pair<std::string, long>> constants;
    TypeAttr attr(info.get());
    ASSERT_TRUE(attr);
    for (UINT v = 0; v < attr->cVars; ++v) {
      VARDESC* var = nullptr;
      ASSERT_TRUE(SUCCEEDED(info->GetVarDesc(v, &var)));
      Bstr constant;
      UINT got = 0;
      info->GetNames(var->memid, constant.put(), 1, &got);
      ScopedVariant value;
      VariantChangeType(value.get(), var->lpvarValue, 0, VT_I4);
      EXPECT_EQ(var->varkind, VAR_CONST);
      constants.emplace_back(constant.utf8(), V_I4(value.get()));
      info->ReleaseVarDesc(var);
    }
    found.emplace_back(name.utf8(), std::move(constants));
  }
  ASSERT_EQ(found.size(), kEnumerations.size());
  for (size_t e = 0; e < kEnumerations.size(); ++e) {
    const Enumeration& want = kEnumerations[e];
    EXPECT_EQ(found[e].first, want.name) << "enumeration " << e;
    ASSERT_EQ(found[e].second.size(), want.constants.size()) << want.name;
    for (size_t c = 0; c < want.constants.size(); ++c) {
      EXPECT_EQ(found[e].second[c].first, want.constants[c].name) << want.name << " #" << c;
      EXPECT_EQ(found[e].second[c].second, want.constants[c].value) << want.constants[c].name;
    }
  }
}

TEST_F(TypeLibraryTest, SpotValuesOfTheOfficeEnumerations) {
  // A second, independent look at values that are easy to get wrong.
  auto value = [&](const char* enumeration, const char* constant) {
    for (const Enumeration& e : kEnumerations)
      if (std::string(e.name) == enumeration)
        for (const Constant& c : e.constants)
          if (std::string(c.name) == constant) return c.value;
    return -999999L;
  };
  EXPECT_EQ(value("TableColorType", "dvnColorAutomatic"), static_cast<long>(0xFF000000));
  EXPECT_EQ(value("TableColorType", "dvnColorRed"), 0x0000FF);
  EXPECT_EQ(value("TableColorType", "dvnColorBlue"), 0xFF0000);
  EXPECT_EQ(value("TableColorType", "dvnColorGray25"), 0xC0C0C0);
  EXPECT_EQ(value("TableColorType", "dvnColorTeal"), 0x808000);
  EXPECT_EQ(value("ChartType", "dvnXYScatter"), -4169);
  EXPECT_EQ(value("ChartType", "dvn3DPie"), -4102);
  EXPECT_EQ(value("ChartType", "dvnColumnClustered"), 51);
  EXPECT_EQ(value("ChartType", "dvnPyramidCol"), 112);
  EXPECT_EQ(value("TableType", "dvnTableFormatNone"), 0);
  EXPECT_EQ(value("TableType", "dvnTableFormatWeb3"), 42);
  EXPECT_EQ(value("PageSizeType", "dvnwdPaper10x14"), 0);
  EXPECT_EQ(value("PageSizeType", "dvnPaperA4"), 7);
  EXPECT_EQ(value("PageSizeType", "dvnPaperCustom"), 41);
  EXPECT_EQ(value("FieldTriggerType", "dvnNone"), 10);
  EXPECT_EQ(value("LineWidthType", "dvnNone"), 0);
  EXPECT_EQ(value("RotationType", "dvn_90"), 90);
}

TEST_F(TypeLibraryTest, ClassesInterfacesAndEvents) {
  struct Class {
    const wchar_t* name;
    bool creatable;
  } classes[] = {{L"CreatePDF", true}, {L"Document", false}, {L"Field", false}, {L"NewDocument", true}};
  for (const Class& c : classes) {
    dvtest::ComPtr<ITypeInfo> info = byName(c.name);
    ASSERT_TRUE(info) << dvtest::utf8(c.name);
    TypeAttr attr(info.get());
    ASSERT_TRUE(attr);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0, c.creatable) << dvtest::utf8(c.name);
  }
  for (const wchar_t* name : {L"_CreatePDF", L"_Document", L"_Field", L"_NewDocument"}) {
    dvtest::ComPtr<ITypeInfo> info = byName(name);
    ASSERT_TRUE(info);
    TypeAttr attr(info.get());
    ASSERT_TRUE(attr);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL) << dvtest::utf8(name);
  }

  // The source interface: six events in slot order, arguments by reference.
  dvtest::ComPtr<ITypeInfo> events = byName(L"__CreatePDF");
  ASSERT_TRUE(events);
  const std::vector<std::pair<std::string, std::vector<VARTYPE>>> expected = {
      {"JobStart", {VT_BSTR, VT_BSTR}}, {"JobDone", {VT_BSTR, VT_BSTR}}, {"JobFail", {VT_BSTR, VT_BSTR}},
      {"LogMessage", {VT_BSTR}},        {"PercentDone", {VT_I4}},        {"PageNumber", {VT_I4}}};
  TypeAttr attr(events.get());
  ASSERT_TRUE(attr);
  ASSERT_EQ(attr->cFuncs, expected.size());
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FuncDesc desc(events.get(), i);
    ASSERT_TRUE(desc);
    Bstr name;
    events->GetDocumentation(desc->memid, name.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.utf8(), expected[i].first);
    ASSERT_EQ(static_cast<size_t>(desc->cParams), expected[i].second.size());
    for (SHORT p = 0; p < desc->cParams; ++p) {
      EXPECT_EQ(desc->lprgelemdescParam[p].tdesc.vt, VT_PTR);
      EXPECT_EQ(desc->lprgelemdescParam[p].tdesc.lptdesc->vt, expected[i].second[p]);
    }
  }

  // Help strings of the frame's members.
  dvtest::ComPtr<ITypeInfo> create = byName(L"_CreatePDF");
  auto help = [&](const wchar_t* member) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    MEMBERID id = 0;
    if (FAILED(create->GetIDsOfNames(names, 1, &id))) return std::string("<missing>");
    Bstr doc;
    create->GetDocumentation(id, nullptr, doc.put(), nullptr, nullptr);
    return doc.utf8();
  };
  EXPECT_EQ(help(L"PrinterName"), "Method to get the Adobe Acrobat Distiller printer name.");
  EXPECT_EQ(help(L"SetDefPrinter"), "Method to set the default printer.");
  for (const wchar_t* member : {L"AccessVersion", L"OpenDocument", L"AcrobatVersion", L"TempFilePath"})
    EXPECT_NE(help(member), "<missing>") << dvtest::utf8(member);
}

}  // namespace
