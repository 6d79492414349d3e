#pragma once

// Every message and description text of the picture readers, in one place so that the
// readers, the registry and the JPEG picture class say things the same way. Texts with "%s"
// are formatted with the format name of the reader that raises them.

// Reader failures.
extern const char* const gesInvalidImage;         // "%s": format name
extern const char* const gesInvalidColorFormat;   // "%s": format name
extern const char* const gesStreamReadError;      // "%s": format name
extern const char* const gesUnsupportedFeature;   // "%s": feature phrase, then format name
extern const char* const gesInvalidCRC;           // "%s": format name
extern const char* const gesCompression;          // "%s": format name
extern const char* const gesExtraCompressedData;  // "%s": format name
extern const char* const gesInvalidPalette;       // "%s": format name
extern const char* const gesUnknownCriticalChunk; // PNG only
extern const char* const gesCompressionScheme;    // phrase for gesUnsupportedFeature
extern const char* const gesColorScheme;          // phrase for gesUnsupportedFeature

// Registry and JPEG picture failures.
extern const char* const gesRegistration; // "%s": extension
extern const char* const gesJPEGError;    // "%d": libjpeg message code
extern const char* const gesJPEGResize;

// Progress messages.
extern const char* const gesPreparing;
extern const char* const gesTransfering;
extern const char* const gesLoadingData;

// Format names the messages are formatted with.
extern const char* const gesFormatTarga;
extern const char* const gesFormatPCX;
extern const char* const gesFormatPPM;
extern const char* const gesFormatPBMPGMPPM;
extern const char* const gesFormatGIF;
extern const char* const gesFormatPNG;
extern const char* const gesFormatPSD;
extern const char* const gesFormatPSP;
extern const char* const gesFormatTIFF;
extern const char* const gesFormatEPS;
extern const char* const gesFormatWebP;
extern const char* const gesFormatAVIF;
extern const char* const gesFormatHEIF;
extern const char* const gesFormatJPEGXL;

// Descriptions of the registered extensions.
extern const char* const gesBitmaps;
extern const char* const gesRLEBitmaps;
extern const char* const gesDIBs;
extern const char* const gesIcons;
extern const char* const gesMetaFiles;
extern const char* const gesEnhancedMetaFiles;
extern const char* const gesJPGImages;
extern const char* const gesJFIFImages;
extern const char* const gesJPEImages;
extern const char* const gesJPEGImages;
extern const char* const gesTruevision;
extern const char* const gesTIFF;
extern const char* const gesMacTIFF;
extern const char* const gesPCTIF;
extern const char* const gesGFIFax;
extern const char* const gesEPS;
extern const char* const gesZSoft;
extern const char* const gesWordScreenCapture;
extern const char* const gesPhotoshop;
extern const char* const gesPortable;
extern const char* const gesPortablePixel;
extern const char* const gesPortableGray;
extern const char* const gesPortableMono;
extern const char* const gesCompuserve;
extern const char* const gesPaintshopPro;
extern const char* const gesPortableNetworkGraphic;
extern const char* const gesWebPImages;
extern const char* const gesAVIFImages;
extern const char* const gesHEIFImages;
extern const char* const gesHEICImages;
extern const char* const gesJPEGXLImages;
