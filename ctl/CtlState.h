#pragma once
#include <QVariantMap>

#include <string>

namespace ventiq::ctl {

// The application's properties as ventiqctl prints them: one line of text,
// or one JSON object (unknown temperatures and speeds as null).
namespace CtlState {

std::string text(const QVariantMap& properties);
std::string json(const QVariantMap& properties);

}  // namespace CtlState
}  // namespace ventiq::ctl
