#include "formats/GraphicStrings.h"

const char* const gesInvalidImage = "Cannot load image. Invalid or unexpected %s image format.";
const char* const gesInvalidColorFormat = "Invalid color format in %s file.";
const char* const gesStreamReadError = "Stream read error in %s file.";
const char* const gesUnsupportedFeature = "Cannot load image. %s not supported for %s files.";
const char* const gesInvalidCRC = "Cannot load image. CRC error found in %s file.";
const char* const gesCompression = "Cannot load image. Compression error found in %s file.";
const char* const gesExtraCompressedData =
    "Cannot load image. Extra compressed data found in %s file.";
const char* const gesInvalidPalette = "Cannot load image. Palette in %s file is invalid.";
const char* const gesUnknownCriticalChunk =
    "Cannot load PNG image. Unexpected but critical chunk detected.";
const char* const gesCompressionScheme = "The compression scheme is";
const char* const gesColorScheme = "The color scheme is";

const char* const gesRegistration = "Attempt to register %s twice.";
const char* const gesJPEGError = "Erreur JPEG #%d";
const char* const gesJPEGResize = "Impossible de modifier la taille d'une image JPEG";

const char* const gesPreparing = "Preparing...";
const char* const gesTransfering = "Transfering...";
const char* const gesLoadingData = "Loading data...";

const char* const gesFormatTarga = "Targa";
const char* const gesFormatPCX = "PCX";
const char* const gesFormatPPM = "PPM";
const char* const gesFormatPBMPGMPPM = "PBM, PGM or PPM";
const char* const gesFormatGIF = "GIF";
const char* const gesFormatPNG = "PNG";
const char* const gesFormatPSD = "PSD or PDD";
const char* const gesFormatPSP = "PSP";
const char* const gesFormatTIFF = "TIF/TIFF";
const char* const gesFormatEPS = "EPS";
const char* const gesFormatWebP = "WebP";
const char* const gesFormatAVIF = "AVIF";
const char* const gesFormatHEIF = "HEIF";
const char* const gesFormatJPEGXL = "JPEG XL";

const char* const gesBitmaps = "Windows bitmaps";
const char* const gesRLEBitmaps = "Run length encoded Windows bitmaps";
const char* const gesDIBs = "Device independant Windows bitmaps";
const char* const gesIcons = "Windows icons";
const char* const gesMetaFiles = "Windows metafiles";
const char* const gesEnhancedMetaFiles = "Windows enhanced meta files";
const char* const gesJPGImages = "JPG images";
const char* const gesJFIFImages = "JFIF images";
const char* const gesJPEImages = "JPE images";
const char* const gesJPEGImages = "JPEG images";
const char* const gesTruevision = "Truevision images";
const char* const gesTIFF = "Tagged image file format images";
const char* const gesMacTIFF = "Macintosh TIFF images";
const char* const gesPCTIF = "PC TIF images";
const char* const gesGFIFax = "GFI fax images";
const char* const gesEPS = "Encapsulated Postscript images";
const char* const gesZSoft = "ZSoft Paintbrush images";
const char* const gesWordScreenCapture = "Word 5.x screen capture images";
const char* const gesPhotoshop = "Photoshop images";
const char* const gesPortable = "Portable map images";
const char* const gesPortablePixel = "Portable pixel map images";
const char* const gesPortableGray = "Portable gray map images";
const char* const gesPortableMono = "Portable bitmap images";
const char* const gesCompuserve = "CompuServe images";
const char* const gesPaintshopPro = "Paintshop Pro images";
const char* const gesPortableNetworkGraphic = "Portable network graphic images";
const char* const gesWebPImages = "WebP images";
const char* const gesAVIFImages = "AVIF images";
const char* const gesHEIFImages = "HEIF images";
const char* const gesHEICImages = "HEIC images";
const char* const gesJPEGXLImages = "JPEG XL images";
