#pragma once

#include <string>

namespace tarnwell::sim {

enum class Model { S3100, S3600 };

// What a simulated switch is, as opposed to what it is configured to do: fixed at start.
struct SwitchProfile {
    Model model = Model::S3100;
    int ports = 24;               // Ethernet1/0/1 .. Ethernet1/0/<ports>
    std::string sysname;          // default sysname; a starting configuration may replace it
    std::string address;          // its management address, reachable by telnet
    std::string user;             // login user name; empty: no user name asked
    std::string password;         // login password; empty with an empty user: no login
    int userLevel = 3;            // command level after login
    std::string superUser = "super"; // a user-view line equal to this starts the level change
    std::string superPassword;    // empty: "super" raises the level without asking
    int eraseColumns = 42;        // the paging prompt is wiped with ESC[<n>D, n blanks, ESC[<n>D
    bool strictVlans = false;     // refuse a port into a VLAN that does not exist
    bool strictReboot = false;    // reboot only in user view, as on a real switch
    bool quickSave = false;       // save right after "y", without the file name question
    bool logAfterLogin = false;   // a %...LOGIN log line right after the login prompt
    bool logInListing = false;    // a %... log line in the middle of every listing
    int saveDelayMs = 1500;
    int answerDelayMs = 0;        // a command line's answer comes this long after its line end
    int bootDelayMs = 3000;
};

inline const char *modelNumber(Model m)
{
    return m == Model::S3100 ? "3100" : "3600";
}

} // namespace tarnwell::sim
