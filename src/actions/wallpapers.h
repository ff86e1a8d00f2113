// The three wallpapers of the machine's variant and screen shape: beside the executable,
// copied into the work folder, and from there into the Windows wallpaper folder.
#pragma once

void CopyWallPapers();
