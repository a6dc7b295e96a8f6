// Result texts of both profiles: which codes each knows, the fixed rows, the
// fallbacks and success codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/result_texts.h"

namespace {

constexpr const char* kRasterFallback = "Unknown Error";
constexpr const char* kInputFallback = "Unrecognized error value.";

int32_t Code(uint32_t value) { return static_cast<int32_t>(value); }

// Counts the codes in [first, last] a profile gives a text of its own for.
int KnownIn(uint32_t first, uint32_t last, DxResultProfile profile, const char* fallback) {
    int known = 0;
    for (uint32_t c = first; c <= last; ++c) {
        const char* text = DxResultText(Code(c), profile);
        EXPECT_NE(text, nullptr);
        if (text && std::strcmp(text, fallback) != 0) ++known;
    }
    return known;
}

TEST(ResultTexts, EachProfileKnowsItsRowsAndNoOthers) {
    // COM codes around the six rows, then the DirectDraw/Direct3D, DirectPlay
    // and DirectSound facilities whole.
    struct Range {
        uint32_t first, last;
        int raster, input;
    };
    const Range ranges[] = {
        {0x80004000, 0x800040FF, 2, 3},  // 0x80004001, 0x80004005; 0x80004002 input only
        {0x80040100, 0x800401FF, 0, 1},  // 0x80040110 input only
        {0x80070000, 0x800700FF, 2, 2},  // 0x8007000E, 0x80070057
        {0x88760000, 0x8876FFFF, 145, 145}, {0x88770000, 0x8877FFFF, 0, 48}, {0x88780000, 0x8878FFFF, 0, 10},
    };
    int rasterRows = 0, inputRows = 0;
    for (const Range& r : ranges) {
        const int raster = KnownIn(r.first, r.last, DxResultProfile::Raster, kRasterFallback);
        const int input = KnownIn(r.first, r.last, DxResultProfile::Input, kInputFallback);
        EXPECT_EQ(raster, r.raster) << std::hex << r.first;
        EXPECT_EQ(input, r.input) << std::hex << r.first;
        rasterRows += raster;
        inputRows += input;
    }
    EXPECT_EQ(rasterRows, 149);
    EXPECT_EQ(inputRows, 209);
}

TEST(ResultTexts, FixedRows) {
    struct Row {
        uint32_t code;
        const char* text;
    };
    const Row both[] = {
        {0x80004001, "Action not supported."},
        {0x80004005, "Generic failure."},
        {0x8007000E, "DirectDraw does not have enough memory to perform the operation."},
        {0x80070057, "One or more of the parameters passed to the function are incorrect."},
        {0x88760005, "This object is already initialized."},
        {0x88760078, "DirectDraw does not support the requested mode."},
        {0x887600B4,
         "Operation could not be carried out because there is no alpha accleration hardware present or "
         "available."},
        {0x887600E1,
         "Operation requires the application to have exclusive mode but the application does not have "
         "exclusive mode."},
        {0x8876017C, "DirectDraw does not have enough memory to perform the operation."},
        {0x88760180, "Can only have ony color key active at one time for overlays."},
        {0x887601C2,
         "Access to this surface is being refused because the surface memory is gone. The "
         "DirectDrawSurface object representing this surface should have Restore called on it."},
        {0x8876021C,
         "Informs DirectDraw that the previous Blt which is transfering information to or from this "
         "Surface is incomplete."},
        {0x88760231, "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
        {0x88760248,
         "Surface was not locked.  An attempt to unlock a surface that was not locked at all, or by this "
         "process, has been attempted."},
        {0x887602BC, "D3DERR_BADMAJORVERSION"},
        {0x887602E2, "D3DERR_TEXTURE_BADSIZE"},
        {0x88760307, "D3DERR_NOCURRENTVIEWPORT"},
        {0x8876030D, "D3DRMERR_BADOBJECT"},
        {0x88760313, "The file was not found."},
        {0x88760319, "D3DRMERR_UNABLETOEXECUTE"},
    };
    for (const Row& row : both) {
        EXPECT_STREQ(DxResultText(Code(row.code), DxResultProfile::Raster), row.text) << std::hex << row.code;
        EXPECT_STREQ(DxResultText(Code(row.code), DxResultProfile::Input), row.text) << std::hex << row.code;
    }
    const Row inputOnly[] = {
        {0x80004002, "The requested COM interface is not available."},
        {0x80040110, "The object does not support aggregation."},
        {0x88770005, "This DP object is already initialized."},
        {0x8877000A, "The session is full, or incorrect password"},
        {0x8878000A,
         "The request failed because resources,\nsuch as a priority level,\nwere already in use by another "
         "caller."},
        {0x88780078, "No sound driver is available for use."},
        {0x887800AA,
         "The IDirectSound::Initialize method has not been called or\nhas not been called successfully "
         "before other methods were called."},
    };
    for (const Row& row : inputOnly) {
        EXPECT_STREQ(DxResultText(Code(row.code), DxResultProfile::Input), row.text) << std::hex << row.code;
        EXPECT_STREQ(DxResultText(Code(row.code), DxResultProfile::Raster), kRasterFallback) << std::hex << row.code;
    }
}

TEST(ResultTexts, SuccessCodesHaveNoTextAndUnknownFailuresTheFallback) {
    for (int32_t code : {0, 1, 0x7FFFFFFF, 0x08760005}) {
        EXPECT_EQ(DxResultText(code, DxResultProfile::Raster), nullptr);
        EXPECT_EQ(DxResultText(code, DxResultProfile::Input), nullptr);
    }
    for (uint32_t code : {0x80000000u, 0xFFFFFFFFu, 0x88760000u, 0x88760006u, 0x8876031Au, 0x88770821u}) {
        EXPECT_STREQ(DxResultText(Code(code), DxResultProfile::Raster), kRasterFallback);
        EXPECT_STREQ(DxResultText(Code(code), DxResultProfile::Input), kInputFallback);
    }
}

}  // namespace
