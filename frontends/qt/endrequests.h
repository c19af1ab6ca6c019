#pragma once

class QWidget;

// Closes the window when the system asks the program to end (at logout, say), as the user closing it
// would: a run under way ends and puts the printers back before the program exits.
void CloseOnEndRequests(QWidget& window);
