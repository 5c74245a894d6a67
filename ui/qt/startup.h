// What the program does around the making of its application object so that
// its window is painted sooner. Make a StartUp before the QApplication and
// call ApplicationMade() right after it.
#pragma once

#include <thread>

namespace kavrel {

class StartUp {
public:
    StartUp();
    ~StartUp();
    StartUp(const StartUp&) = delete;
    StartUp& operator=(const StartUp&) = delete;

    // Installs the program's style and waits for the font work, which the
    // first text box needs.
    void ApplicationMade();

private:
    std::thread fonts_;
};

}  // namespace kavrel
