#include "ProductInfo.h"

#include <QByteArray>
#include <QtGlobal>

#ifndef TESSALY_UPDATE_BASE_URL
#error "TESSALY_UPDATE_BASE_URL must be defined by the build"
#endif

namespace tessaly {

const char* const ProductName = "Tessaly";
const char* const ProductVersion = "2.02";

const char* const NoticeYear = "";
const char* const NoticeHolder = "";
const char* const NoticeUrl = "";
const char* const AboutText = "";
const char* const HelpUrl = "";

std::string UpdateBaseUrl()
{
    const QByteArray fromEnvironment = qgetenv("TESSALY_UPDATE_URL");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment.toStdString();
    return TESSALY_UPDATE_BASE_URL;
}

} // namespace tessaly
