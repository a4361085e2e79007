#include "settings/xmlmodule.h"

namespace XMLModule
{

CXMLRef& XMLRoot()
{
    static CXMLRef root = std::make_shared<CXML>();
    return root;
}

QString& XMLeol()
{
    static QString eol(QChar(13));
    return eol;
}

qint32& XMLIndent()
{
    static qint32 indent = 0;
    return indent;
}

CXMLRef XMLLoad(const QString& path)
{
    auto root = std::make_shared<CXML>();
    root->loadFromFile(path, nullptr);
    return root;
}

bool XMLSave(const QString& path, const CXMLRef& tree)
{
    if (!tree)
        return false;
    return tree->SaveToFile(path);
}

QString XMLEscape(const QString& text)
{
    QString result = text;
    result.replace(QLatin1Char('<'), QLatin1String("&#60;"));
    result.replace(QLatin1Char('>'), QLatin1String("&#62;"));
    return result;
}

QString XMLUnEscape(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("&#60;"), QLatin1String("<"));
    result.replace(QLatin1String("&#62;"), QLatin1String(">"));
    return result;
}

} // namespace XMLModule
