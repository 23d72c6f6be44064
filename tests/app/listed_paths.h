#pragma once
// The stored paths of a list file on disk, in order.

#include <QString>

#include <span>
#include <string>
#include <vector>

#include "playlist/list_file.h"
#include "support/test_support.h"

inline std::vector<std::string> listedPaths(const QString& listFile)
{
    const QByteArray bytes = testsupport::readFile(listFile);
    std::vector<std::string> paths;
    for (const auto& entry :
         playlist::ParseListFile(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
                                 uint64_t(bytes.size())))
        paths.push_back(entry.path);
    return paths;
}
