#pragma once

// Makes every fdatasync in this process fail with error (0: work again),
// as a failing or full disk makes it fail. The test program itself defines
// fdatasync, so the libraries' calls reach this stand-in first.
void failDiskSyncWith(int error);
