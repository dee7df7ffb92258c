#pragma once

#include <QtGlobal>

// Scan targets, handed to a job beside the request record.
enum ScanTarget : qint32 {
    TargetPreview = 0,
    TargetLocal = 1,
    TargetCloud = 2,
    TargetCloudAndLocal = 3,
};

// Image types, shared by the whole system. 2 is not used.
enum ImageType : qint32 {
    ImagePreview = 0,
    ImageJPEG = 1,
    ImageTIFF = 3,
    ImagePDF = 4,
};

// Positions in the three area arrays.
enum AreaIndex { AreaLeft = 0, AreaTop = 1, AreaWidth = 2, AreaHeight = 3 };

// The user's current choices. One process-wide instance; the main window is
// its only writer and every job works on a private copy. Text fields are
// zero-terminated UTF-16 arrays filled with copyToWideBuffer.
struct ScanRequest
{
    qint32 paperSource;
    qint32 configIndex;
    qint32 scanMode;
    qint32 resolution;
    qint32 paperSizeId;
    qint32 unit;
    bool duplex;
    qint32 duplexOrder;
    bool flatbedAvailable;
    bool feederAvailable;
    bool duplexAvailable;
    double areaInches[4];
    double areaCentimetres[4];
    qint32 areaPixels[4];
    qint32 localImageType;
    qint32 cloudImageType;
    qint32 cloudService;
    bool storeToLocal;
    bool cloudSignedIn;
    char16_t localFolder[512];
    char16_t localFilePrefix[256];
    char16_t cloudFolderPath[512];
    char16_t cloudFolderId[512];
    char16_t cloudLocalFolder[512];
    char16_t cloudFilePrefix[512];
    char16_t hostUrl[512];
};
