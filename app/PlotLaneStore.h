#pragma once

#include <QStringList>
#include <string>

namespace daridez {

class Profile;

// The plot's lanes kept in the profile, a list for each LDF: in section PLOT, "Lanes"
// without an LDF and "Lanes:PATH" with one (an INI key ends at its first '=', so the
// path's '=' and '%' are written %3D and %25), the lanes' texts joined by ';'.
class PlotLaneStore {
  public:
    static constexpr const char* kSection = "PLOT";

    explicit PlotLaneStore(Profile& profile) : profile_(profile) {}

    static std::string key(const std::string& ldfPath);
    // The lanes kept for an LDF ("": none); none when none were kept.
    QStringList lanes(const std::string& ldfPath) const;
    // Keeps the lanes for an LDF; a profile that never had lanes for it gets none written
    // while there are none.
    void keep(const std::string& ldfPath, const QStringList& lanes);

  private:
    Profile& profile_;
};

}  // namespace daridez
