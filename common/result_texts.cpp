// Texts for platform result codes: one sorted table, looked up by exact code.
#include "common/result_texts.h"

#include <algorithm>
#include <iterator>

namespace {

// Which profiles know a row. The raster back-end knows the COM rows marked
// Both and every DirectDraw, Direct3D and retained-mode row; the input library
// knows every row.
enum class Known : uint8_t { Both, InputOnly };

struct ResultRow {
    uint32_t code;
    Known known;
    const char* text;
};

constexpr ResultRow kRows[] = {
    // ---- COM ----
    {0x80004001, Known::Both, "Action not supported."},
    {0x80004002, Known::InputOnly, "The requested COM interface is not available."},
    {0x80004005, Known::Both, "Generic failure."},
    {0x80040110, Known::InputOnly, "The object does not support aggregation."},
    {0x8007000E, Known::Both, "DirectDraw does not have enough memory to perform the operation."},
    {0x80070057, Known::Both, "One or more of the parameters passed to the function are incorrect."},

    // ---- DirectDraw ----
    {0x88760005, Known::Both, "This object is already initialized."},
    {0x8876000A, Known::Both, "This surface can not be attached to the requested surface."},
    {0x88760014, Known::Both, "This surface can not be detached from the requested surface."},
    {0x88760028, Known::Both, "Support is currently not available."},
    {0x88760037, Known::Both, "An exception was encountered while performing the requested operation."},
    {0x8876005A, Known::Both, "Height of rectangle provided is not a multiple of the required alignment."},
    {0x8876005F, Known::Both, "Unable to match primary surface creation request with existing primary surface."},
    {0x88760064, Known::Both, "One or more of the capability bits passed to the callback are incorrect."},
    {0x8876006E, Known::Both, "DirectDraw does not support the provided clip list."},
    {0x88760078, Known::Both, "DirectDraw does not support the requested mode."},
    {0x88760082, Known::Both, "DirectDraw received a pointer that was an invalid DirectDraw object."},
    {0x88760091, Known::Both, "The pixel format was invalid as specified."},
    {0x88760096, Known::Both, "The rectangle provided was invalid."},
    {0x887600A0, Known::Both, "Operation could not be carried out because one or more surfaces are locked."},
    {0x887600AA, Known::Both, "There is no 3D hardware present."},
    {0x887600B4, Known::Both,
     "Operation could not be carried out because there is no alpha accleration hardware present or available."},
    {0x887600CD, Known::Both, "No clip list is available."},
    {0x887600D2, Known::Both,
     "Operation could not be carried out because there is no color conversion hardware present or available."},
    {0x887600D4, Known::Both,
     "A create function was called without the DirectDraw object's SetCooperativeLevel being called first."},
    {0x887600D7, Known::Both, "The surface does not currently have a color key."},
    {0x887600DC, Known::Both,
     "Operation could not be carried out because there is no hardware support for the destination color key."},
    {0x887600E1, Known::Both,
     "Operation requires the application to have exclusive mode but the application does not have exclusive mode."},
    {0x887600E6, Known::Both, "Flipping visible surfaces is not supported."},
    {0x887600F0, Known::Both, "There is no GDI present."},
    {0x887600FA, Known::Both,
     "Operation could not be carried out because there is no mirroring hardware present or available."},
    {0x887600FF, Known::Both, "The requested item was not found."},
    {0x88760104, Known::Both,
     "Operation could not be carried out because there is no overlay hardware present or available."},
    {0x88760118, Known::Both,
     "Operation could not be carried out because there is no appropriate raster operation hardware present or "
     "available."},
    {0x88760122, Known::Both,
     "Operation could not be carried out because there is no rotation hardware present or available."},
    {0x88760136, Known::Both,
     "Operation could not be carried out because there is no hardware support for stretching."},
    {0x8876013C, Known::Both,
     "The DirectDrawSurface is not in 4 bit color palette mode and the requested operation requires it."},
    {0x8876013D, Known::Both,
     "The DirectDrawSurface is not in 4 bit color index palette mode and the requested operation requires it."},
    {0x88760140, Known::Both,
     "The DirectDrawSurface is not in 8 bit color mode and the requested operation requires 8 bit color."},
    {0x8876014A, Known::Both,
     "Operation could not be carried out because there is no texture mapping hardware present or available."},
    {0x8876014F, Known::Both,
     "Operation could not be carried out because there is no hardware support for vertical blank synchronized "
     "operations."},
    {0x88760154, Known::Both,
     "Operation could not be carried out because there is no hardware support for z-buffer blitting."},
    {0x8876015E, Known::Both,
     "Overlay surfaces could not be z-layered based on their order because the hardware does not support z-layering of "
     "overlays."},
    {0x88760168, Known::Both, "The hardware needed for the requested operation has already been allocated."},
    {0x8876017C, Known::Both, "DirectDraw does not have enough memory to perform the operation."},
    {0x8876017E, Known::Both, "The hardware does not support clipped overlays."},
    {0x88760180, Known::Both, "Can only have ony color key active at one time for overlays."},
    {0x88760183, Known::Both,
     "Access to this palette is being refused because the palette is already locked by another thread."},
    {0x88760190, Known::Both, "No source color key was specified for this operation."},
    {0x8876019A, Known::Both, "This surface is already attached to the surface it is being attached to."},
    {0x887601A4, Known::Both, "This surface is already a dependency of the surface it is being made a dependency of."},
    {0x887601AE, Known::Both,
     "Access to this surface is being refused because the surface is already locked by another thread."},
    {0x887601B8, Known::Both, "Access to this surface is being refused because the surface is obscured."},
    {0x887601C2, Known::Both,
     "Access to this surface is being refused because the surface memory is gone. The DirectDrawSurface object "
     "representing this surface should have Restore called on it."},
    {0x887601CC, Known::Both, "The requested surface is not attached."},
    {0x887601D6, Known::Both, "The height requested by DirectDraw is too large."},
    {0x887601E0, Known::Both, "The size requested by DirectDraw is too large."},
    {0x887601EA, Known::Both, "The width requested by DirectDraw is too large."},
    {0x887601FE, Known::Both, "The pixel format requested is not supported by DirectDraw."},
    {0x88760208, Known::Both, "The bitmask in the pixel format requested is not supported by DirectDraw."},
    {0x88760219, Known::Both, "A vertical blank is in progress."},
    {0x8876021C, Known::Both,
     "Informs DirectDraw that the previous Blt which is transfering information to or from this Surface is "
     "incomplete."},
    {0x88760230, Known::Both, "The rectangle provided was not horizontally aligned on the required boundary."},
    {0x88760231, Known::Both, "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
    {0x88760232, Known::Both,
     "A DirectDraw object representing this driver has already been created for this process."},
    {0x88760233, Known::Both,
     "A hardware-only DirectDraw object creation was attempted but the driver did not support any hardware."},
    {0x88760234, Known::Both, "This process has already created a primary surface."},
    {0x88760235, Known::Both, "Software emulation is not available."},
    {0x88760236, Known::Both, "The region passed to the clipper's GetClipList is too small."},
    {0x88760237, Known::Both,
     "An attempt was made to set a clip list for a clipper object that is already monitoring a window."},
    {0x88760238, Known::Both, "No clipper object is attached to the surface object."},
    {0x88760239, Known::Both,
     "The clipper notification requires a window handle, or no window handle was set as the cooperative level window."},
    {0x8876023A, Known::Both, "The window handle used by DirectDraw has been subclassed by another process."},
    {0x8876023B, Known::Both,
     "The cooperative level window handle has already been set and cannot be reset while surfaces or palettes exist."},
    {0x8876023C, Known::Both, "No palette object is attached to this surface."},
    {0x8876023D, Known::Both, "There is no hardware support for 16 or 256 color palettes."},
    {0x8876023E, Known::Both, "A fast blit was attempted on a surface with a clipper attached."},
    {0x8876023F, Known::Both, "There is no blitter hardware present."},
    {0x88760240, Known::Both, "There is no DirectDraw raster operation hardware present."},
    {0x88760241, Known::Both, "GetOverlayPosition was called on an overlay that is hidden."},
    {0x88760242, Known::Both,
     "GetOverlayPosition was called on an overlay whose UpdateOverlay was never called to set a destination."},
    {0x88760243, Known::Both, "The position of the overlay on the destination is no longer legal."},
    {0x88760244, Known::Both, "An overlay operation was called on a surface that is not an overlay surface."},
    {0x88760245, Known::Both, "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {0x88760246, Known::Both, "An attempt was made to flip a surface that is not flippable."},
    {0x88760247, Known::Both,
     "Primary and 3D surfaces, or surfaces that are implicitly created, cannot be duplicated."},
    {0x88760248, Known::Both,
     "Surface was not locked.  An attempt to unlock a surface that was not locked at all, or by this process, has been "
     "attempted."},
    {0x88760249, Known::Both, "Windows cannot create any more device contexts."},
    {0x8876024A, Known::Both, "No device context was ever created for this surface."},
    {0x8876024B, Known::Both, "This surface cannot be restored because it was created in a different display mode."},
    {0x8876024C, Known::Both, "This surface cannot be released because it was implicitly created by another surface."},
    {0x8876024D, Known::Both, "The surface being used is not a palette-based surface."},

    // ---- Direct3D ----
    {0x887602BC, Known::Both, "D3DERR_BADMAJORVERSION"},
    {0x887602BD, Known::Both, "D3DERR_BADMINORVERSION"},
    {0x887602C1, Known::Both, "D3DERR_INVALID_DEVICE"},
    {0x887602C2, Known::Both, "D3DERR_INITFAILED"},
    {0x887602C3, Known::Both, "D3DERR_DEVICEAGGREGATED"},
    {0x887602C6, Known::Both, "D3DERR_EXECUTE_CREATE_FAILED"},
    {0x887602C7, Known::Both, "D3DERR_EXECUTE_DESTROY_FAILED"},
    {0x887602C8, Known::Both, "D3DERR_EXECUTE_LOCK_FAILED"},
    {0x887602C9, Known::Both, "D3DERR_EXECUTE_UNLOCK_FAILED"},
    {0x887602CA, Known::Both, "D3DERR_EXECUTE_LOCKED"},
    {0x887602CB, Known::Both, "D3DERR_EXECUTE_NOT_LOCKED"},
    {0x887602CC, Known::Both, "D3DERR_EXECUTE_FAILED"},
    {0x887602CD, Known::Both, "D3DERR_EXECUTE_CLIPPED_FAILED"},
    {0x887602D0, Known::Both, "D3DERR_TEXTURE_NO_SUPPORT"},
    {0x887602D1, Known::Both, "D3DERR_TEXTURE_CREATE_FAILED"},
    {0x887602D2, Known::Both, "D3DERR_TEXTURE_DESTROY_FAILED"},
    {0x887602D3, Known::Both, "D3DERR_TEXTURE_LOCK_FAILED"},
    {0x887602D4, Known::Both, "D3DERR_TEXTURE_UNLOCK_FAILED"},
    {0x887602D5, Known::Both, "D3DERR_TEXTURE_LOAD_FAILED"},
    {0x887602D7, Known::Both, "D3DERR_TEXTURELOCKED"},
    {0x887602D8, Known::Both, "D3DERR_TEXTURE_NOT_LOCKED"},
    {0x887602DA, Known::Both, "D3DERR_MATRIX_CREATE_FAILED"},
    {0x887602DB, Known::Both, "D3DERR_MATRIX_DESTROY_FAILED"},
    {0x887602DC, Known::Both, "D3DERR_MATRIX_SETDATA_FAILED"},
    {0x887602DE, Known::Both, "D3DERR_SETVIEWPORTDATA_FAILED"},
    {0x887602DF, Known::Both, "D3DERR_INVALIDCURRENTVIEWPORT"},
    {0x887602E0, Known::Both, "D3DERR_INVALIDPRIMITIVETYPE"},
    {0x887602E1, Known::Both, "D3DERR_INVALIDVERTEXTYPE"},
    {0x887602E2, Known::Both, "D3DERR_TEXTURE_BADSIZE"},
    {0x887602E3, Known::Both, "D3DERR_INVALIDRAMPTEXTURE"},
    {0x887602E4, Known::Both, "D3DERR_MATERIAL_CREATE_FAILED"},
    {0x887602E5, Known::Both, "D3DERR_MATERIAL_DESTROY_FAILED"},
    {0x887602E6, Known::Both, "D3DERR_MATERIAL_SETDATA_FAILED"},
    {0x887602E8, Known::Both, "D3DERR_INVALIDPALETTE"},
    {0x887602E9, Known::Both, "D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY"},
    {0x887602EA, Known::Both, "D3DERR_ZBUFF_NEEDS_VIDEOMEMORY"},
    {0x887602EB, Known::Both, "D3DERR_SURFACENOTINVIDMEM"},
    {0x887602EE, Known::Both, "D3DERR_LIGHT_SET_FAILED"},
    {0x887602EF, Known::Both, "D3DERR_LIGHTHASVIEWPORT"},
    {0x887602F0, Known::Both, "D3DERR_LIGHTNOTINTHISVIEWPORT"},
    {0x88760302, Known::Both, "D3DERR_INBEGIN"},
    {0x88760303, Known::Both, "D3DERR_NOTINBEGIN"},
    {0x88760304, Known::Both, "D3DERR_NOVIEWPORTS"},
    {0x88760305, Known::Both, "D3DERR_VIEWPORTDATANOTSET"},
    {0x88760306, Known::Both, "D3DERR_VIEWPORTHASNODEVICE"},
    {0x88760307, Known::Both, "D3DERR_NOCURRENTVIEWPORT"},

    // ---- Direct3D retained mode ----
    {0x8876030D, Known::Both, "D3DRMERR_BADOBJECT"},
    {0x8876030E, Known::Both, "D3DRMERR_BADTYPE"},
    {0x8876030F, Known::Both, "D3DRMERR_BADALLOC"},
    {0x88760310, Known::Both, "D3DRMERR_FACEUSED"},
    {0x88760311, Known::Both, "D3DRMERR_NOTFOUND"},
    {0x88760312, Known::Both, "D3DRMERR_NOTDONEYET"},
    {0x88760313, Known::Both, "The file was not found."},
    {0x88760314, Known::Both, "D3DRMERR_BADFILE"},
    {0x88760315, Known::Both, "D3DRMERR_BADDEVICE"},
    {0x88760316, Known::Both, "D3DRMERR_BADVALUE"},
    {0x88760317, Known::Both, "D3DRMERR_BADMAJORVERSION"},
    {0x88760318, Known::Both, "D3DRMERR_BADMINORVERSION"},
    {0x88760319, Known::Both, "D3DRMERR_UNABLETOEXECUTE"},

    // ---- DirectPlay ----
    {0x88770005, Known::InputOnly, "This DP object is already initialized."},
    {0x8877000A, Known::InputOnly, "The session is full, or incorrect password"},
    {0x88770014, Known::InputOnly, "The operation cannot be carried out because there are existing active players."},
    {0x8877001E, Known::InputOnly, "The supplied buffer is not large enough to contain the requested data."},
    {0x88770028, Known::InputOnly, "The player cannot be added to the session."},
    {0x88770032, Known::InputOnly, "A new group cannot be created."},
    {0x8877003C, Known::InputOnly, "A new player cannot be created."},
    {0x88770046, Known::InputOnly, "A new session cannot be created."},
    {0x88770050, Known::InputOnly, "The capabilities of the DirectPlay object have not yet been determined."},
    {0x8877005A, Known::InputOnly, "An exception occurred while the request was being processed."},
    {0x88770078, Known::InputOnly, "The flags passed to this method are invalid."},
    {0x88770082, Known::InputOnly, "The DirectPlay object pointer is invalid."},
    {0x88770096, Known::InputOnly, "The player identifier is not recognized as a valid player in this session."},
    {0x8877009B, Known::InputOnly, "The group identifier is not recognized as a valid group in this session."},
    {0x887700A0, Known::InputOnly, "The communication link that DirectPlay is using is not capable of this function."},
    {0x887700AA, Known::InputOnly, "No communication link was established."},
    {0x887700BE, Known::InputOnly, "There are no messages in the receive queue."},
    {0x887700C8, Known::InputOnly, "No name server (host) could be found or created."},
    {0x887700D2, Known::InputOnly, "There are no active players in the session."},
    {0x887700DC, Known::InputOnly, "There are no existing sessions for this game."},
    {0x887700E6, Known::InputOnly, "The message being sent is larger than the transport allows."},
    {0x887700F0, Known::InputOnly, "The operation could not be completed in the specified time."},
    {0x887700FA, Known::InputOnly, "The requested function is not available at this time."},
    {0x8877010E, Known::InputOnly, "A message cannot be sent because the transmission medium is busy."},
    {0x88770118, Known::InputOnly, "The user canceled the connection process."},
    {0x8877012C, Known::InputOnly, "A player has lost the connection to the session."},
    {0x88770136, Known::InputOnly, "The connection to the session has been lost."},
    {0x88770140, Known::InputOnly, "The requested object has not been initialized."},
    {0x8877014A, Known::InputOnly, "The session is not accepting any new players."},
    {0x88770154, Known::InputOnly, "An invalid password was supplied when joining a session that requires one."},
    {0x8877015E, Known::InputOnly, "The method is still in the process of connecting to the network."},
    {0x88770172, Known::InputOnly, "The message was not recognized."},
    {0x8877017C, Known::InputOnly, "The request to cancel the operation failed."},
    {0x88770186, Known::InputOnly, "The priority given for the message is outside the allowed range."},
    {0x887703E8, Known::InputOnly, "The data buffer is too large to store."},
    {0x887703F2, Known::InputOnly, "The lobby was unable to start the application."},
    {0x887703FC, Known::InputOnly, "The application has not been started yet."},
    {0x88770406, Known::InputOnly, "The interface parameter is invalid."},
    {0x8877041A, Known::InputOnly, "The application identifier is not recognized by the lobby."},
    {0x8877042E, Known::InputOnly, "The application was not started from a lobby."},
    {0x887707D0, Known::InputOnly, "The password or credentials supplied could not be authenticated."},
    {0x887707DA, Known::InputOnly,
     "The security support provider interface could not be loaded to ask for credentials."},
    {0x887707E4, Known::InputOnly, "The requested information could not be encrypted."},
    {0x887707EE, Known::InputOnly, "The requested information could not be digitally signed."},
    {0x887707F8, Known::InputOnly, "The security package could not be loaded."},
    {0x8877080C, Known::InputOnly, "The cryptography interface could not be loaded."},
    {0x88770816, Known::InputOnly,
     "The action cannot be carried out because the player or application is not logged in."},
    {0x88770820, Known::InputOnly, "The log-on attempt was denied because the credentials supplied were invalid."},

    // ---- DirectSound ----
    {0x8878000A, Known::InputOnly,
     "The request failed because resources,\nsuch as a priority level,\nwere already in use by another caller."},
    {0x8878001E, Known::InputOnly,
     "The control (volume, pan, and so forth)\nrequested by the caller is not available."},
    {0x88780032, Known::InputOnly, "This function is not valid for the current state of this object."},
    {0x88780046, Known::InputOnly,
     "The caller does not have the priority level\nrequired for the function to succeed."},
    {0x88780064, Known::InputOnly, "The specified wave format is not supported."},
    {0x88780078, Known::InputOnly, "No sound driver is available for use."},
    {0x88780082, Known::InputOnly, "This object is already initialized."},
    {0x88780096, Known::InputOnly, "The buffer memory has been lost,\nand must be restored."},
    {0x887800A0, Known::InputOnly,
     "Another application has a higher priority level,\npreventing this call from succeeding."},
    {0x887800AA, Known::InputOnly,
     "The IDirectSound::Initialize method has not been called or\nhas not been called successfully before other "
     "methods were called."},
};

constexpr bool RowsAscending() {
    for (size_t i = 1; i < std::size(kRows); ++i) {
        if (kRows[i - 1].code >= kRows[i].code) return false;
    }
    return true;
}
static_assert(RowsAscending(), "result rows must be sorted by code without duplicates");
static_assert(std::size(kRows) == 209);

}  // namespace

const char* DxResultText(int32_t code, DxResultProfile profile) {
    if (code >= 0) return nullptr;
    const uint32_t key = static_cast<uint32_t>(code);
    const ResultRow* row = std::lower_bound(std::begin(kRows), std::end(kRows), key,
                                            [](const ResultRow& r, uint32_t k) { return r.code < k; });
    const bool found = row != std::end(kRows) && row->code == key;
    if (profile == DxResultProfile::Input) {
        return found ? row->text : "Unrecognized error value.";
    }
    // The raster back-end knows neither DirectPlay and DirectSound nor the
    // two COM rows that only the input library reports.
    if (found && row->known == Known::Both) return row->text;
    return "Unknown Error";
}
