// The heat map in one pass: the colour image (sampled nearest, its cells stay crisp) with the
// shade image over it (sampled linearly; its blur is already applied where it is built), as if
// the two were drawn one after the other with ordinary alpha blending. The result is
// premultiplied: draw it with blend ONE, ONE_MINUS_SRC_ALPHA. shadeWeight (0..1) fades the shade
// out for grids too coarse for it.
varying lowp vec4 v_fragmentColor;
varying mediump vec2 v_texCoord;

uniform sampler2D shadeTexture;
uniform float shadeWeight;

void main()
{
    vec4 colour = texture2D(CC_Texture0, v_texCoord);
    vec4 shade = texture2D(shadeTexture, v_texCoord);
    float shadeAlpha = shade.a * shadeWeight;
    float colourAlpha = colour.a * (1.0 - shadeAlpha);
    gl_FragColor = v_fragmentColor * vec4(shade.rgb * shadeAlpha + colour.rgb * colourAlpha, shadeAlpha + colourAlpha);
}
