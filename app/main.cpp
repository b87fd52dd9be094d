// nolvo: the Nolvo Desktop program. One window; closing it saves the working configuration and
// stops every thread before the process exits.
#include "app/AppDelegate.h"

int main()
{
    nolvo::AppDelegate app;
    const int status = app.run();
    app.shutdown();
    return status;
}
