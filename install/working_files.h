#pragma once

// Removes the image folder with everything in it, then the installer file and what
// unfinished download attempts left beside it. Links (junctions, symbolic links) in the
// image folder are removed themselves; what they point to is never touched. Read-only
// files stay, and so do the folders holding them. Nothing is reported.
void CleanWorkingFiles();

// Whether the installer file or an attempt's file is still there (the files workers and
// scanners hold for a moment; a slide left read-only stays on purpose).
bool InstallerFilesLeft();
