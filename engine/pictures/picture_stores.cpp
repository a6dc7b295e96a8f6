// The texture and image stores: the engine's copy of every picture it has
// handed to the back-end, read through the image plug-in named by the file's
// extension.
#include "engine/pictures/picture_stores.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "engine/messages/messages.h"
#include "engine/pictures/format_plugin.h"
#include "engine/raster_link/raster_link.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"

namespace {

struct NameText {
    char text[256];
};

struct TextureStore {
    std::unique_ptr<ImageRecord[]> records;
    std::unique_ptr<NameText[]> names;  // upper-cased file names, one per slot
    int capacity = 0;
    int loadedCount = 0;  // successful r_LoadTexture calls since the store was allocated
};

struct ImageStore {
    std::unique_ptr<ImageRecord[]> records;
    int capacity = 0;
};

TextureStore g_textures;
ImageStore g_images;

// The text r_GetTextureDataStr hands out: the engine's message buffer.
const char* g_formatted = "";
int KeepFormatted(const char* message) {
    g_formatted = message;
    return 0;
}

int FirstFreeSlot(const ImageRecord* records, int capacity) {
    for (int i = 0; i < capacity; ++i)
        if (records[i].Free()) return i;
    return -1;
}

// The plug-in's messages during one picture read go on to the caller's
// callback; the first error or warning among them is kept for the report of
// a damaged file.
r_MsgCallback g_readCaller = nullptr;
char g_readProblem[1024];

int CaptureReadMessage(const char* text) {
    if (text && g_readProblem[0] == '\0' && (std::strstr(text, "Error") || std::strstr(text, "Warning"))) {
        std::snprintf(g_readProblem, sizeof g_readProblem, "%s", text);
        g_readProblem[std::strcspn(g_readProblem, "\r\n")] = '\0';
    }
    return g_readCaller ? g_readCaller(text) : 0;
}

// One picture read through its plug-in. The plug-in stays loaded (and its
// pixels valid) until the reader is released or destroyed.
class PictureReader {
public:
    // Loads the plug-in for name, reads dir + name and checks what it read.
    // operation names the export for the messages. False after reporting.
    bool Read(const char* operation, const char* name, const char* dir, r_MsgCallback cb) {
        char pluginFile[272];
        const bool namesFormat = PluginFileName(name, pluginFile, sizeof pluginFile);
        library_ = std::make_unique<PluginLibrary>(pluginFile, namesFormat);
        if (!library_->Loaded()) {
            EngineMessage(cb, "%s : Error, Unknown Format (%s)\n", operation, name);
            return false;
        }
        if (!Link2DFunctions(library_->Handle(), pluginFile, table_, cb)) {
            Release();
            EngineMessage(cb, "%s : Error, Could not properly link %s\n", operation, pluginFile);
            return false;
        }
        const std::string path = std::string(dir) + name;
        g_readCaller = cb;
        g_readProblem[0] = '\0';
        table_.Load2D(path.c_str(), CaptureReadMessage);
        table_.GetImageData(&width, &height, &bits, CaptureReadMessage);
        g_readCaller = nullptr;
        pixels = width > 0 ? table_.GetImagePointer(cb) : nullptr;
        // A picture that was not read (width 0) or that the plug-in describes
        // impossibly has nothing to give.
        const bool unread = width <= 0 || height <= 0 || bits < 8 || !pixels;
        // A file that is there but unreadable or read in part is damaged; a
        // missing one is only the caller's business.
        char found[1024];
        if ((unread || g_readProblem[0] != '\0') && plat_ResolvePath(path.c_str(), found, sizeof found)) {
            if (g_readProblem[0] == '\0')
                EngineReport("%s: could not be read", path.c_str());
            else if (std::strstr(g_readProblem, path.c_str()))
                EngineReport("%s", g_readProblem);
            else
                EngineReport("%s: %s", path.c_str(), g_readProblem);
        }
        if (unread) {
            Release();
            EngineMessage(cb, "%s : Error, Could not open file %s\n", operation, path.c_str());
            return false;
        }
        return true;
    }

    void Release() {
        table_ = ImagePluginTable{};
        if (library_) library_->Release();
        pixels = nullptr;
    }

    int width = 0;
    int height = 0;
    int bits = 0;
    const uint8_t* pixels = nullptr;

private:
    std::unique_ptr<PluginLibrary> library_;
    ImagePluginTable table_{};
};

// Copies the picture just read into a record. False when memory runs out.
bool KeepCopy(ImageRecord& record, const PictureReader& reader) {
    if (!record.Allocate(reader.width, reader.height, unsigned(reader.bits))) return false;
    std::memcpy(record.pixels.get(), reader.pixels, record.ByteCount());
    return true;
}

}  // namespace

int TextureCapacity() { return g_textures.capacity; }

const ImageRecord* TextureRecord(int handle) {
    if (handle < 0 || handle >= g_textures.capacity) return nullptr;
    return &g_textures.records[handle];
}

int ImageCapacity() { return g_images.capacity; }

const ImageRecord* ImageRecordAt(int handle) {
    if (handle < 0 || handle >= g_images.capacity) return nullptr;
    return &g_images.records[handle];
}

// ---------------------------------------------------------------- textures

TESSALY_EXPORT int r_AllocMaxTextures(int capacity, r_MsgCallback cb) {
    if (g_textures.records || g_textures.capacity || g_textures.names) {
        EngineMessage(cb, "r_AllocMaxTextures : %d Textures Already Allocated , use r_FreeAllocatedTextures first\n",
                      g_textures.capacity);
        return -1;
    }
    if (capacity >= 0) g_textures.records.reset(new (std::nothrow) ImageRecord[size_t(capacity)]);
    if (!g_textures.records) {
        EngineMessage(cb, "r_AllocMaxTextures : Failed to Allocate %d Textures\n", capacity);
        return -1;
    }
    g_textures.names.reset(new (std::nothrow) NameText[size_t(capacity)]);
    if (!g_textures.names) {
        g_textures.records.reset();
        EngineMessage(cb, "r_AllocMaxTextures : Failed to Allocate %d Texture Names\n", capacity);
        return -1;
    }
    for (int i = 0; i < capacity; ++i) g_textures.names[i].text[0] = '\0';
    if (Raster().AllocMaxTextures && Raster().AllocMaxTextures(capacity, cb) == -1) {
        g_textures.records.reset();
        g_textures.names.reset();
        return -1;  // the back-end has reported
    }
    g_textures.capacity = capacity;
    EngineMessage(cb, "r_AllocMaxTextures : Allocated %d Textures\n", capacity);
    return 0;
}

TESSALY_EXPORT int r_FreeAllocatedTextures(r_MsgCallback cb) {
    g_textures.records.reset();
    g_textures.names.reset();
    g_textures.capacity = 0;
    g_textures.loadedCount = 0;  // the textures counted went with the store
    // The back-end's surfaces go with the engine's copies, so the store can
    // be allocated again.
    if (Raster().FreeAllocatedTextures) Raster().FreeAllocatedTextures(nullptr);
    EngineMessage(cb, "r_FreeAllocatedTextures : Textures Deallocated\n");
    return 0;
}

TESSALY_EXPORT int r_LoadTexture(int handle, char* name, const char* dir, int flags, r_MsgCallback cb) {
    if (g_textures.capacity == 0) {
        EngineMessage(cb, "r_LoadTexture : Error, Textures Not Allocated\n");
        return -1;
    }
    char empty[1] = "";
    if (!name) name = empty;
    if (!dir) dir = "";
    for (char* c = name; *c; ++c) *c = char(std::toupper(static_cast<unsigned char>(*c)));

    if (handle == -1) {
        // A texture already held is shared: nothing is read.
        for (int i = 0; i < g_textures.capacity; ++i)
            if (std::strcmp(g_textures.names[i].text, name) == 0) return i;
        handle = FirstFreeSlot(g_textures.records.get(), g_textures.capacity);
        if (handle == -1) {
            EngineMessage(cb, "r_LoadTexture : Error, Not Enough Room To Load Texture\n");
            return -1;
        }
    } else if (handle < 0 || handle >= g_textures.capacity) {
        EngineMessage(cb, "r_LoadTexture : Error, Handle Out Of Range (%d , 0 - %d)\n", handle,
                      g_textures.capacity - 1);
        return -1;
    }

    PictureReader reader;
    if (!reader.Read("r_LoadTexture", name, dir, cb)) return -1;
    const RasterEntryTable& raster = Raster();
    if (raster.AddTexture && raster.AddTexture(handle, unsigned(reader.width), unsigned(reader.height), reader.bits,
                                               reader.pixels, name, unsigned(flags), cb) == -1)
        return -1;  // the back-end refused the picture and has reported
    ImageRecord& record = g_textures.records[handle];
    if (!KeepCopy(record, reader)) {
        g_textures.names[handle].text[0] = '\0';
        EngineMessage(cb, "r_LoadTexture : Error, Not Enough Memory For %s\n", name);
        return -1;
    }
    EngineMessage(cb, "r_LoadTexture : Loaded %s (index %d)\n", name, handle);
    reader.Release();
    std::snprintf(g_textures.names[handle].text, sizeof g_textures.names[handle].text, "%s", name);
    ++g_textures.loadedCount;
    return handle;
}

TESSALY_EXPORT int r_AddTexture(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* texels,
                                const char* name, unsigned flags, r_MsgCallback cb) {
    return Raster().AddTexture(handle, width, height, bitsPerPixel, texels, name, flags, cb);
}

TESSALY_EXPORT int r_GetTexturesNum(void) { return g_textures.loadedCount; }

TESSALY_EXPORT const char* r_GetTextureName(int handle) {
    if (handle < 0 || handle >= g_textures.capacity) return nullptr;
    return g_textures.names[handle].text;
}

TESSALY_EXPORT int r_GetTextureData(int handle, int* width, int* height, int* bitsPerPixel) {
    const ImageRecord* record = TextureRecord(handle);
    if (width) *width = record ? record->width : 0;
    if (height) *height = record ? record->height : 0;
    if (bitsPerPixel) *bitsPerPixel = record ? int(record->bitsPerPixel) : 0;
    return record ? 0 : -1;
}

TESSALY_EXPORT const char* r_GetTextureDataStr(int handle) {
    int width, height, bits;
    r_GetTextureData(handle, &width, &height, &bits);
    EngineMessage(KeepFormatted, "%dx%dx%d", width, height, bits);
    return g_formatted;
}

TESSALY_EXPORT uint8_t* r_LockTexturePointer(int handle, int* width, int* height, int* pitch, int* bitsPerPixel) {
    if (handle >= 0 && handle < g_textures.capacity && Raster().LockTexturePointer)
        return Raster().LockTexturePointer(handle, width, height, pitch, bitsPerPixel);
    for (int* out : {width, height, pitch, bitsPerPixel})
        if (out) *out = 0;
    return nullptr;
}

TESSALY_EXPORT int r_ReleaseTexturePointer(int handle, int writeBack) {
    return Raster().ReleaseTexturePointer(handle, writeBack);
}

// ---------------------------------------------------------------- images

TESSALY_EXPORT int r_AllocMaxImages(int capacity, r_MsgCallback cb) {
    if (g_images.records || g_images.capacity) {
        EngineMessage(cb, "r_AllocMaxImages : %d Images Already Allocated , use r_FreeAllocatedImages first\n",
                      g_images.capacity);
        return -1;
    }
    if (capacity >= 0) g_images.records.reset(new (std::nothrow) ImageRecord[size_t(capacity)]);
    if (!g_images.records) {
        EngineMessage(cb, "r_AllocMaxImages : Failed to Allocate %d Images\n", capacity);
        return -1;
    }
    if (Raster().AllocMaxImages && Raster().AllocMaxImages(capacity, cb) == -1) {
        g_images.records.reset();
        return -1;  // the back-end has reported
    }
    g_images.capacity = capacity;
    EngineMessage(cb, "r_AllocMaxImages : Allocated %d Images\n", capacity);
    return 0;
}

TESSALY_EXPORT int r_FreeAllocatedImages(r_MsgCallback cb) {
    g_images.records.reset();
    g_images.capacity = 0;
    if (Raster().FreeAllocatedImages) Raster().FreeAllocatedImages(nullptr);
    EngineMessage(cb, "r_FreeAllocatedImages : Images Deallocated\n");
    return 0;
}

TESSALY_EXPORT int r_LoadImage(int handle, const char* name, const char* dir, int /*reserved*/, r_MsgCallback cb) {
    if (g_images.capacity == 0) {
        EngineMessage(cb, "r_LoadImage : Error, Images Not Allocated\n");
        return -1;
    }
    if (!name) name = "";
    if (!dir) dir = "";
    if (handle == -1) {
        handle = FirstFreeSlot(g_images.records.get(), g_images.capacity);
        if (handle == -1) {
            EngineMessage(cb, "r_LoadImage : Error, Not Enough Room To Load Image\n");
            return -1;
        }
    } else if (handle < 0 || handle >= g_images.capacity) {
        EngineMessage(cb, "r_LoadImage : Error, Handle Out Of Range (%d , 0 - %d)\n", handle, g_images.capacity - 1);
        return -1;
    }

    PictureReader reader;
    if (!reader.Read("r_LoadImage", name, dir, cb)) return -1;
    const RasterEntryTable& raster = Raster();
    if (raster.AddImage && raster.AddImage(handle, unsigned(reader.width), unsigned(reader.height), reader.bits,
                                           reader.pixels, name, cb) == -1)
        return -1;  // the back-end refused the picture and has reported
    if (!KeepCopy(g_images.records[handle], reader)) {
        EngineMessage(cb, "r_LoadImage : Error, Not Enough Memory For %s\n", name);
        return -1;
    }
    EngineMessage(cb, "r_LoadImage : Loaded %s (index %d)\n", name, handle);
    return handle;
}
