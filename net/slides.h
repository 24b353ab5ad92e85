#pragma once

// Worker started at window creation (argument: the main window): fetches the slide
// list, downloads each picture into the image folder and appends it to `slides`.
unsigned __stdcall FetchSlidesThread(void* mainWindow);
