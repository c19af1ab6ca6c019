/*
 * wordcount.c - counts the lines, words and characters of its input.
 *
 * A program listing indented with tabs, as many programmers keep them.
 * Each tab stop is eight columns wide.
 */

#include <ctype.h>
#include <stdio.h>

struct counts {
	long	lines;		/* newline characters */
	long	words;		/* runs of non-blank characters */
	long	chars;		/* every byte read */
};

static void count_stream(FILE *in, struct counts *c)
{
	int ch;
	int in_word = 0;

	while ((ch = getc(in)) != EOF) {
		c->chars++;
		if (ch == '\n')
			c->lines++;
		if (isspace(ch)) {
			in_word = 0;
		} else if (!in_word) {
			in_word = 1;
			c->words++;
		}
	}
}

int main(void)
{
	struct counts c = { 0, 0, 0 };

	count_stream(stdin, &c);
	printf("%7ld %7ld %7ld\n", c.lines, c.words, c.chars);
	return 0;
}
