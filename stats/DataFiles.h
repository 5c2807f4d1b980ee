#pragma once

#include <string>
#include <string_view>

namespace trovik {

// Where the meter's data files live, decided once from the program file's
// path. They are named after the program file ("Trovik" gives Trovik.LOG,
// Trovik.DAT, Trovik.STA, Trovik.QTA, Trovik_2001.CUM): its extension, if the file name
// has one, is replaced; a name without one gets the new extension appended;
// a dot in a directory name is never taken for an extension.
//
// The files lie beside the program when its directory is writable (a
// portable install, the build tree); otherwise in the per-user data
// directory, $XDG_DATA_HOME/Qanto/Vemaro (by default
// ~/.local/share/Qanto/Vemaro), under the same names. Everything that keeps a
// file of its own, the plug-ins' INI files included, asks this.
class DataFiles {
public:
    // Decides the directory: beside the program when writable, else the
    // per-user data directory (created when missing).
    static DataFiles ForProgram(std::string_view programPath);

    // The same naming in a given directory, with no decision taken.
    DataFiles(std::string directory, std::string stem);

    const std::string& Directory() const { return directory; }
    // The program file's name without its extension ("Trovik").
    const std::string& Stem() const { return stem; }

    std::string LogPath() const { return WithExtension("LOG"); }
    std::string SnapshotPath() const { return WithExtension("DAT"); }
    std::string ScopePath() const { return WithExtension("STA"); }
    // The data allowance's state: the use of the billing period and the
    // levels reported in it.
    std::string AllowancePath() const { return WithExtension("QTA"); }
    // The usage per application, an SQLite database: "<stem>_apps.sqlite".
    std::string AppUsagePath() const { return Beside(stem + "_apps.sqlite"); }
    // The cumulative totals of one calendar year: "<stem>_2001.CUM".
    std::string CumulativePath(unsigned year) const;
    // Another file in the same directory, by its own name ("TrvikLunvar.ini").
    std::string Beside(std::string_view fileName) const;

private:
    std::string WithExtension(std::string_view extension) const;

    std::string directory;  // without a trailing slash, "/" for the root
    std::string stem;       // the program file's name without its extension
};

// The per-user data directory, from XDG_DATA_HOME or HOME.
std::string UserDataDirectory();

// Where the simulated line keeps its records, apart from the real ones.
std::string DemoDataDirectory();

}  // namespace trovik
