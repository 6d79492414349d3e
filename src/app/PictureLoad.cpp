#include "app/PictureLoad.h"

#include "platform/LoadCancellation.h"
#include "platform/PictureLimits.h"
#include "raster/LoadedPicture.h"

#include <cstring>
#include <exception>
#include <filesystem>

namespace {
// Stands in for the error picture when its file is missing; no log block of its own.
TPictureLoad BlackSquare() {
    TPictureLoad load;
    load.Picture = std::make_unique<TFastBMP>();
    load.Picture->SetSize(100, 100);
    std::memset(load.Picture->PixelData, 0, size_t(load.Picture->ByteSize)); // black
    return load;
}

std::unique_ptr<TFastBMP> DecodePicture(const std::string& path,
                                        std::vector<std::string>& warnings) {
    // Decoding, drawing and the copy share one memory budget.
    const TPictureLoadScope load;
    auto result = std::make_unique<TFastBMP>();
    warnings = LoadPictureBuffer(path, *result);
    return result;
}
} // namespace

std::string ExtractFileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TPictureLoad LoadPictureFile(const std::string& path, const TPictureLoadSetup& setup,
                             bool errorPictureOnFailure) {
    TPictureLoad load;
    load.Log = {"", "===== " + ExtractFileName(path) + " ====="};
    const int32_t start = setup.Milliseconds();
    std::string reason;
    try {
        load.Picture = DecodePicture(path, load.Warnings);
    } catch (const ELoadCancelled&) {
        throw;
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
    }
    if (!load.Picture) {
        // Whatever went wrong, the user sees the error picture, never a message; the log
        // says why (tiled, too large, truncated ...).
        load.Log.push_back("*Error*: Unable to load " + path);
        load.Log.push_back(reason.empty() ? "Unknown error" : reason);
        TPictureLoad fallback = errorPictureOnFailure ? LoadErrorPicture(setup) : BlackSquare();
        load.Picture = std::move(fallback.Picture);
        if (fallback.ColorsLine)
            load.ColorsLine = load.Log.size() + *fallback.ColorsLine;
        load.Log.insert(load.Log.end(), fallback.Log.begin(), fallback.Log.end());
        return load;
    }
    const int32_t end = setup.Milliseconds();
    const TFastBMP& picture = *load.Picture;
    load.Log.push_back("Dimensions: " + std::to_string(picture.Width) + "x" +
                       std::to_string(picture.Height));
    load.ColorsLine = load.Log.size();
    load.Log.push_back(ColorsLabel);
    load.Log.push_back("Size: " + std::to_string(picture.ByteSize) + " bytes (uncompressed)");
    load.Log.push_back("Load: " + std::to_string(end - start) + " ms");
    return load;
}

TPictureLoad LoadErrorPicture(const TPictureLoadSetup& setup) {
    std::error_code error;
    if (std::filesystem::is_regular_file(setup.ErrorPicturePath, error))
        return LoadPictureFile(setup.ErrorPicturePath, setup, false);
    return BlackSquare();
}
