#include "platform/MidiPorts.h"

#include <QString>

namespace platform {

namespace {
std::string withoutKind(const std::string& name) {
    const auto colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}
} // namespace

OutputMatch matchOutput(const std::vector<std::string>& outputs, const std::string& wanted) {
    for (const auto& name : outputs) {
        if (name == wanted) {
            return {name, {}};
        }
    }
    for (const auto& name : outputs) {
        if (withoutKind(name) == wanted) {
            return {name, {}};
        }
    }
    const QString needle = QString::fromStdString(wanted);
    std::vector<std::string> found;
    for (const auto& name : outputs) {
        if (QString::fromStdString(name).contains(needle, Qt::CaseInsensitive)) {
            found.push_back(name);
        }
    }
    if (found.size() == 1) {
        return {found.front(), {}};
    }
    if (found.empty()) {
        return {{}, "no MIDI output matches '" + wanted + "'"};
    }
    std::string reason =
        "'" + wanted + "' matches " + std::to_string(found.size()) + " MIDI outputs:";
    for (const auto& name : found) {
        reason += " '" + name + "'";
    }
    return {{}, reason};
}

} // namespace platform
