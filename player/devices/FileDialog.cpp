#include "FileDialog.h"

#include <utility>

void FileDialog::ShowOpen() {
    if (m_handedAnswer) {
        m_fileName = *std::exchange(m_handedAnswer, std::nullopt);
        return;
    }
    ask();
}
