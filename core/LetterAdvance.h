#pragma once

// How far the pen moves after each letter of the letter strip. The picture generator draws
// every glyph to fit its advance and the game lays out its text with the same advances, so
// both read this one table.
namespace gb {

// The advance of a capital or small letter in pixels; 0 for any other character.
constexpr int letterAdvance(char ch) {
    switch (ch) {
        case 'i':
        case 'j':
        case 'l':
            return 8;
        case 'I':
            return 10;
        case 'f':
        case 'r':
        case 't':
            return 11;
        case 'L':
            return 12;
        case 'E':
        case 'F':
        case 'P':
            return 14;
        case 'd':
        case 'k':
        case 'q':
            return 17;
        case 'H':
        case 'N':
        case 'O':
        case 'U':
            return 18;
        case 'G':
        case 'Q':
        case 'V':
        case 'w':
            return 20;
        case 'm':
            return 22;
        case 'M':
        case 'W':
            return 24;
        default:
            if (ch >= 'A' && ch <= 'Z') {
                return 16;
            }
            return ch >= 'a' && ch <= 'z' ? 14 : 0;
    }
}

}  // namespace gb
